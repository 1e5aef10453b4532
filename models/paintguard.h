#pragma once

#include <type_traits>

// The project's paint code runs under Qt's painting (paint events,
// delegates, scenes), and Qt's GUI library is built without exceptions:
// memory running out in the project's code there must stop before it
// reaches a Qt frame. paintguard::run runs one such step, catches the
// failure, ends the painter the step made (as it unwinds) and notes the
// failure; who paints a picture (renderWidget, through Picture) then drops
// it and says so.
namespace paintguard {

// Runs step(); true when it ran through. A
// std::bad_alloc out of it is caught and noted (false); a painter the step
// made itself ends as the failure unwinds. A painter the step was handed (a
// delegate's) is left to its owner, with what the step changed of it.
template <class Step>
bool run(Step &&step) noexcept;

// A picture being painted on this thread, from construction to
// destruction: a failure noted meanwhile is the picture's (a paint on the
// screen that fails loses only itself).
class Picture
{
public:
    Picture();
    ~Picture();
    Picture(const Picture &) = delete;
    Picture &operator=(const Picture &) = delete;
    // Whether a guarded step failed since the picture began.
    bool failed() const;
    // Whether a picture is being painted on this thread.
    static bool active();

private:
    bool m_outerFailed;
};

// The frame of the innermost guarded step running on this thread (null
// when none): fault injection in tests fails an allocation under Qt's
// frames only where a guard lies between them and the allocation.
const void *innermostFrame();

namespace detail {
bool runStep(void (*step)(void *), void *context) noexcept;
}

template <class Step>
bool run(Step &&step) noexcept
{
    return detail::runStep([](void *context) { (*static_cast<std::remove_reference_t<Step> *>(context))(); },
                           &step);
}

} // namespace paintguard
