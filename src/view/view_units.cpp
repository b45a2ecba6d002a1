#include "view/view_commands.h"

namespace quirn {

const UnitEntry& UnitByName(const std::string& name) {
    for (const UnitEntry& entry : kUnits) {
        if (name == entry.unit.name) {
            return entry;
        }
    }
    return kUnits[0];
}

const UnitEntry* UnitByCommand(int command) {
    for (const UnitEntry& entry : kUnits) {
        if (entry.command == command) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace quirn
