#include "discovery/RunResult.h"

const char* RecordChangeName(RecordChange change)
{
    return change == RecordChange::Found ? "found" : "changed";
}
