#include "discovery/RunResult.h"

namespace signseek {

std::string ShedConnectionsText(std::size_t count)
{
    return "shed " + std::to_string(count) + (count == 1 ? " idle connection" : " idle connections");
}

const char* RecordChangeName(RecordChange change) { return change == RecordChange::Found ? "found" : "changed"; }

}  // namespace signseek
