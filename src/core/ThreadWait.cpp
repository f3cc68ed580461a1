#include "ThreadWait.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

CWakeEvent::CWakeEvent() : m_fd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

CWakeEvent::~CWakeEvent() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

void CWakeEvent::Signal() {
    if (m_fd >= 0) {
        const std::uint64_t one = 1;
        // A full counter (never in practice) still reads as signalled, so a failed write loses nothing.
        [[maybe_unused]] const ssize_t n = ::write(m_fd, &one, sizeof one);
    }
}

void CWakeEvent::Drain() {
    if (m_fd >= 0) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t n = ::read(m_fd, &count, sizeof count);
    }
}

namespace ThreadWait {
namespace {

constexpr std::uint32_t OVERFLOW_WAIT_MS = 10;

struct SDeadline {
    const void* Key;
    std::uint32_t Tick;
    std::uint64_t Pass; // the pass (count of wake-ups) that noted it
};

// Kept trivially destructible on purpose: a timer in an object of static storage forgets its
// deadline at exit, after the thread's non-trivial thread_local objects are gone.
struct SThreadState {
    static constexpr std::size_t MAX_DEADLINES = 64;
    IWakeSource* Source = nullptr;
    SDeadline Deadlines[MAX_DEADLINES] = {};
    std::size_t Count = 0;
    // More timers than places: not every deadline is known, so waits stay short.
    bool Overflow = false;
    std::uint32_t LastWake = 0;
    std::uint64_t Pass = 0;
};

thread_local SThreadState t_state;

template <class Predicate> void EraseIf(SThreadState& state, Predicate erase) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < state.Count; ++i) {
        if (!erase(state.Deadlines[i])) {
            state.Deadlines[kept++] = state.Deadlines[i];
        }
    }
    state.Count = kept;
}

// Signed distance on the wrapping tick: negative when `tick` lies before `from`.
std::int32_t Until(std::uint32_t tick, std::uint32_t from) {
    return static_cast<std::int32_t>(tick - from);
}

} // namespace

void Bind(IWakeSource* source) {
    t_state.Source = source;
    t_state.Count = 0;
    t_state.Overflow = false;
    t_state.Pass = 0;
}

bool IsBoundTo(const IWakeSource* source) {
    return t_state.Source == source;
}

void NoteDeadline(const void* key, std::uint32_t deadlineTick) {
    SThreadState& state = t_state;
    for (std::size_t i = 0; i < state.Count; ++i) {
        if (state.Deadlines[i].Key == key) {
            state.Deadlines[i].Tick = deadlineTick;
            state.Deadlines[i].Pass = state.Pass;
            return;
        }
    }
    if (state.Count < SThreadState::MAX_DEADLINES) {
        state.Deadlines[state.Count++] = SDeadline{key, deadlineTick, state.Pass};
    } else {
        state.Overflow = true;
    }
}

void ForgetDeadline(const void* key) {
    EraseIf(t_state, [key](const SDeadline& d) { return d.Key == key; });
}

void Wait(const IClock& clock, int fd, std::uint32_t maxMs, EWakeOn wakeOn) {
    SThreadState& state = t_state;
    IWakeSource* source = state.Source;
    if (source != nullptr && wakeOn == EWakeOn::Work && source->WorkPending()) {
        state.LastWake = clock.Tick();
        ++state.Pass;
        return;
    }
    const std::uint32_t now = clock.Tick();
    std::uint32_t timeout = state.Overflow ? std::min(maxMs, OVERFLOW_WAIT_MS) : maxMs;
    EraseIf(state, [&](const SDeadline& d) {
        // Noted before the previous wake-up and already run out then: the pass that followed the
        // wake-up has seen it.
        return d.Pass < state.Pass && Until(d.Tick, state.LastWake) <= 0;
    });
    for (std::size_t i = 0; i < state.Count; ++i) {
        const std::int32_t left = Until(state.Deadlines[i].Tick, now);
        timeout = std::min<std::uint32_t>(timeout, left <= 0 ? 0 : static_cast<std::uint32_t>(left));
    }

    pollfd fds[2];
    std::size_t count = 0;
    int wakeFd = -1;
    if (source != nullptr) {
        wakeFd = source->WakeEvent().Fd();
        if (wakeFd < 0) {
            // Nothing could wake this thread: look again soon, as a polling loop would.
            timeout = std::min<std::uint32_t>(timeout, 1);
        } else {
            fds[count++] = pollfd{wakeFd, POLLIN, 0};
        }
    }
    if (fd >= 0) {
        fds[count++] = pollfd{fd, POLLIN, 0};
    }
    if (timeout != 0) {
        if (clock.Poll(fds, count, timeout) > 0 && wakeFd >= 0 && (fds[0].revents & POLLIN) != 0) {
            source->WakeEvent().Drain();
        }
    }
    state.LastWake = clock.Tick();
    ++state.Pass;
}

} // namespace ThreadWait
