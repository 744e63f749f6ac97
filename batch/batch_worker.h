#pragma once
// The batch worker: runs on its own thread, loads and analyses each file of
// the job in turn and gathers the bursts. It touches the user interface, the
// settings and the shared histograms only through calls carried to the
// user-interface thread, each of which it waits for.

namespace plask {

struct BatchSession;

// The thread body. Ends by posting batchWorkerEnded to the user-interface thread.
void batchWorker(BatchSession& session);

} // namespace plask
