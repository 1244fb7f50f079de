// Starting a thread for any Runnable.
#ifndef QUEX_SRC_REMOTE_RUNNABLE_THREAD_H
#define QUEX_SRC_REMOTE_RUNNABLE_THREAD_H

#include "call_handler.h"

#include "../platform/thread.h"

namespace Remote {

// Starts a thread running `runnable.run()` at once; whatever run() lets out is
// caught and discarded. Throws the text "start error" when no thread can start.
quex::platform::Thread startThread(Runnable& runnable);

// Waits for the thread to end; throws the text "join error" when the wait fails.
void joinThread(quex::platform::Thread& thread);

} // namespace Remote

#endif // QUEX_SRC_REMOTE_RUNNABLE_THREAD_H
