#pragma once
// Which button releases of a list count as a click: a double-click is the
// second press of two, and its release is no second click, so each click
// runs its action once.

namespace signseek {

class ClickActions {
public:
    // The platform reported a double-click (the second press).
    void DoubleClicked() { m_bSecondPress = true; }

    // A left button release: true when it ends a click whose action runs.
    bool Released()
    {
        bool second = m_bSecondPress;
        m_bSecondPress = false;
        return !second;
    }

private:
    bool m_bSecondPress = false;
};

}  // namespace signseek
