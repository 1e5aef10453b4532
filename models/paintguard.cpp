#include "paintguard.h"

#include "modelslogging.h"

#include <new>

namespace paintguard {

namespace {

// Painting happens on the GUI thread; a worker painting an image of its own
// has its own guards.
thread_local bool t_failed = false;
thread_local const void *t_innermost = nullptr;
thread_local int t_pictures = 0;

} // namespace

Picture::Picture()
    : m_outerFailed(t_failed)
{
    t_failed = false;
    ++t_pictures;
}

Picture::~Picture()
{
    --t_pictures;
    t_failed = m_outerFailed || t_failed;
}

bool Picture::failed() const
{
    return t_failed;
}

bool Picture::active()
{
    return t_pictures > 0;
}

const void *innermostFrame()
{
    return t_innermost;
}

namespace detail {

bool runStep(void (*step)(void *), void *context) noexcept
{
    // A local of this frame marks where the guard lies on the stack.
    volatile char marker = 0;
    const void *outer = t_innermost;
    t_innermost = const_cast<const char *>(&marker);
    bool ran = true;
    try {
        step(context);
    } catch (const std::bad_alloc &) {
        ran = false;
    }
    t_innermost = outer;
    if (!ran) {
        t_failed = true;
        // Said once: a shortage that lasts would repeat it at every paint.
        // The message may find no memory either.
        static bool said = false;
        try {
            if (!said)
                qCWarning(lcModels) << "Out of memory while painting";
            said = true;
        } catch (const std::bad_alloc &) {
        }
    }
    return ran;
}

} // namespace detail

} // namespace paintguard
