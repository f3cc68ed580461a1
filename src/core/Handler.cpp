#include "Handler.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <system_error>
#include <unistd.h>

CHandler::CHandler(IMsgSink* owner, const IClock& clock) : m_owner(owner), m_clock(&clock) {}

CHandler::~CHandler() {
    Shutdown();
}

std::uint16_t CHandler::Start() {
    {
        std::lock_guard guard(m_runLock);
        if (m_runFlag != 0) {
            return HANDLER_ALREADY_RUNNING;
        }
    }
    // A thread of an earlier run that did not answer its stop is still leaving its loop; it must be
    // gone before the run flag is raised again, or it would see the flag and run on.
    if (m_thread.joinable()) {
        JoinThread();
        // What the old thread reported after its stop was given up on belongs to the old run.
        SetStatus(HANDLER_NONE);
    }
    SetRunFlag(1);
    try {
        m_thread = std::thread([this] {
            ThreadWait::Bind(this);
            ThreadMain();
            ThreadWait::Bind(nullptr);
        });
    } catch (const std::system_error& e) {
        std::fprintf(stderr, "CHandler::Start: cannot create thread: %s\n", e.what());
        return HANDLER_NO_THREAD;
    }
    return WaitForStatus();
}

std::uint16_t CHandler::Stop() {
    {
        std::lock_guard guard(m_runLock);
        if (m_runFlag != 1) {
            return HANDLER_NOT_RUNNING;
        }
        m_runFlag = 0;
    }
    m_wake.Signal();
    return WaitForStatus();
}

bool CHandler::IsRunning() const {
    std::lock_guard guard(m_runLock);
    return m_runFlag == 1;
}

void CHandler::SetRunFlag(std::int32_t value) {
    {
        std::lock_guard guard(m_runLock);
        m_runFlag = value;
    }
    m_wake.Signal();
}

void CHandler::PutMsg(MsgPtr msg) {
    m_queue.Push(std::move(msg));
    m_wake.Signal();
}

bool CHandler::WorkPending() const {
    return m_queue.Count() > 0 || !IsRunning();
}

void CHandler::NameThread(const char* name) {
    pthread_setname_np(pthread_self(), name);
}

void CHandler::PostToOwner(MsgPtr msg) {
    if (m_owner != nullptr) {
        m_owner->PutMsg(std::move(msg));
    }
}

void CHandler::SetStatus(std::uint16_t status) {
    std::lock_guard guard(m_statusLock);
    m_status = status;
}

std::uint16_t CHandler::WaitForStatus() {
    const std::uint32_t start = m_clock->Tick();
    for (;;) {
        {
            std::lock_guard guard(m_statusLock);
            if (m_status != HANDLER_NONE) {
                const std::uint16_t status = m_status;
                m_status = HANDLER_NONE;
                return status;
            }
        }
        if (static_cast<std::uint32_t>(m_clock->Tick() - start) >= STATUS_WAIT_MS) {
            return HANDLER_NO_ANSWER;
        }
        m_clock->Sleep(1);
    }
}

void CHandler::Shutdown() {
    SetRunFlag(0);
    JoinThread();
}

void CHandler::JoinThread() {
    if (m_thread.joinable()) {
        if (m_thread.get_id() == std::this_thread::get_id()) {
            m_thread.detach();
        } else {
            m_thread.join();
        }
    }
}

bool CHandler::RaiseThreadPriority() {
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, tid);
    if (current == -1 && errno != 0) {
        return false;
    }
    return setpriority(PRIO_PROCESS, tid, current - 1) == 0;
}

const char* CHandler::StatusName(std::uint16_t status) {
    switch (status) {
    case HANDLER_NONE:
        return "HANDLER_NONE";
    case HANDLER_NO_THREAD:
        return "HANDLER_NO_THREAD";
    case HANDLER_NO_ANSWER:
        return "HANDLER_NO_ANSWER";
    case HANDLER_ALREADY_RUNNING:
        return "HANDLER_ALREADY_RUNNING";
    case HANDLER_NOT_RUNNING:
        return "HANDLER_NOT_RUNNING";
    case HANDLER_STARTED:
        return "HANDLER_STARTED";
    case HANDLER_STOPPED:
        return "HANDLER_STOPPED";
    case HANDLER_START_FAILED:
        return "HANDLER_START_FAILED";
    case HANDLER_STOP_INCOMPLETE:
        return "HANDLER_STOP_INCOMPLETE";
    default:
        return "HANDLER_UNKNOWN";
    }
}
