#pragma once

#include "Msg.h"

// Anything that takes messages from another thread: a handler's input queue, or the
// user-interface queue of the application core.
class IMsgSink {
public:
    virtual ~IMsgSink() = default;
    virtual void PutMsg(MsgPtr msg) = 0;
};
