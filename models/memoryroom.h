#pragma once

#include <QtGlobal>

#include <mutex>

// Qt's GUI library ends the process when memory runs out inside it (it is
// built without exceptions), so work that fills its models asks first
// whether the memory it will take is there.
namespace memoryroom {

// Whether the process can map that many bytes more now: the address space
// is mapped and given back at once, untouched, which is what an
// address-space limit and the kernel's commit accounting check; and
// whether the machine has them free (freeMemory). Always true where there
// is no such mapping (other than Unix). A check at one moment, not a
// reservation kept for later. Of the bytes, mappedAlready are address
// space the process holds already and will use for them (a heap's free
// pages, given back to the system but not unmapped): they are not mapped
// again, though the machine must still have them free.
bool available(qint64 bytes, qint64 mappedAlready = 0);

// Whether what the machine has free (freeMemory) holds that many bytes;
// true where nothing tells. For work whose own allocations are checked as
// they are made, where only a control group's limit, which ends the process
// instead of failing an allocation, is left to ask about beforehand.
bool machineHolds(qint64 bytes);

// The bytes the machine can still give the process: what Linux says is
// available without swapping (MemAvailable in /proc/meminfo) plus the free
// swap, and under a memory limit of the process's control group (v2
// memory.max, v1 memory.limit_in_bytes, its own or a parent group's) no
// more than that limit less what the group uses. -1 where nothing tells.
// Reads a few small files into the stack: it allocates nothing.
qint64 freeMemory();

// The room of work that grows in steps, such as a read, which cannot tell
// beforehand what it will take: each step holds what it is about to take
// against what the machine had free (freeMemory) when the work began, less
// what the process has grown by since, and against what it has free now.
// Past a control group's limit, or past what the machine has, the kernel
// ends the process rather than fail an allocation, so a step that does not
// fit is refused instead. The machine is asked again only after the steps
// have held a quarter of the room found the last time: a step costs a lock
// and a sum. Holds everything where nothing tells, and under a ceiling
// (setCeiling). Steps may be held from any thread.
class Growth
{
public:
    Growth();
    Growth(const Growth &) = delete;
    Growth &operator=(const Growth &) = delete;

    // Whether the machine holds that many bytes more now.
    bool holds(qint64 bytes);
    // Throws std::bad_alloc when it does not.
    void take(qint64 bytes);

private:
    void look();

    std::mutex m_mutex;
    qint64 m_free = -1;     // at the start; -1: nothing tells
    qint64 m_resident = -1; // the process's resident bytes then; -1: unknown
    // Guarded by m_mutex: the room found at the last look, and what the
    // steps held since.
    qint64 m_room = -1;
    qint64 m_held = 0;
};

// The stack of a thread made with the system's defaults, as Qt makes its
// threads: the room a thread needs to start.
qint64 threadStackBytes();

// Whether an address-space limit (RLIMIT_AS) bounds the process now.
bool addressSpaceLimited();

// Under an address-space limit, the threads that allocate after this call
// share the process's one heap. glibc gives each thread that allocates a
// heap of its own and reserves 64 MiB of address space for it (128 MiB for
// a moment while it is made), which the limit counts in full however
// little of it is used: a thread's first block could fail with room left,
// and no room check could tell. Without a limit nothing changes. Called
// before the threads of a load are started.
void shareHeapUnderLimit();

// Tests only: the probe finds at most this many bytes, and the machine's
// free memory is not read; negative (the default) for no bound but the
// system's.
void setCeiling(qint64 bytes);

// Tests only: /proc and the control groups' files are read below this
// directory; nullptr (the default) for the system's own.
void setSystemRoot(const char *path);

} // namespace memoryroom
