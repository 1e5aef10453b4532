#pragma once

#include <QtGlobal>

// Qt's GUI library ends the process when memory runs out inside it (it is
// built without exceptions), so work that fills its models asks first
// whether the memory it will take is there.
namespace memoryroom {

// Whether the process can map that many bytes more now: the address space
// is mapped and given back at once, untouched, which is what an
// address-space limit and the kernel's commit accounting check. Always
// true where there is no such mapping (other than Unix). A check at one
// moment, not a reservation kept for later.
bool available(qint64 bytes);

// Tests only: the probe finds at most this many bytes; negative (the
// default) for no bound but the system's.
void setCeiling(qint64 bytes);

} // namespace memoryroom
