#include "discovery/RunResult.h"

namespace signseek {

const char* RecordChangeName(RecordChange change) { return change == RecordChange::Found ? "found" : "changed"; }

}  // namespace signseek
