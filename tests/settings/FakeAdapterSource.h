#pragma once

#include "settings/AdapterSource.h"

namespace signseek::test {

// Hands out a fixed enumeration, or fails like the platform call can.
class FakeAdapterSource : public AdapterSource {
public:
    explicit FakeAdapterSource(std::optional<std::vector<AdapterRecord>> adapters) : m_adapters(std::move(adapters)) {}
    std::optional<std::vector<AdapterRecord>> Enumerate() const override { return m_adapters; }

private:
    std::optional<std::vector<AdapterRecord>> m_adapters;
};

}  // namespace signseek::test
