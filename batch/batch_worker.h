#pragma once
// The batch worker: runs on its own thread, loads and analyses each file of
// the job in turn and gathers the bursts. It touches the user interface, the
// settings and the shared histograms only through calls carried to the
// user-interface thread, each of which it waits for.
//
// With session.parallelFiles > 1, helper threads load, smooth, estimate and
// search up to that many files ahead, each on its own stream with the
// reader's messages held back; the worker then logs, accumulates and writes
// them in file order exactly as it does with one thread. A file whose
// settings turn out different from those its search was made with (the
// panel changed meanwhile) is searched again.

namespace plask {

struct BatchSession;

// The thread body. Ends by posting batchWorkerEnded to the user-interface thread.
void batchWorker(BatchSession& session);

} // namespace plask
