#if defined(SWIG_PYTHON_NO_THREADS)
#  if defined(SWIG_PYTHON_THREADS)
#    undef SWIG_PYTHON_THREADS
#  endif
#endif
#if defined(SWIG_PYTHON_THREADS) /* Threading support is enabled */
#  if !defined(SWIG_PYTHON_USE_GIL) && !defined(SWIG_PYTHON_NO_USE_GIL)
#    define SWIG_PYTHON_USE_GIL
#  endif
#  if defined(SWIG_PYTHON_USE_GIL) /* Use PyGILState threads calls */
#    if !defined(SWIG_PYTHON_INITIALIZE_THREADS)
#      if PY_VERSION_HEX < 0x03070000
#        define SWIG_PYTHON_INITIALIZE_THREADS PyEval_InitThreads()
#      else
#        define SWIG_PYTHON_INITIALIZE_THREADS
#      endif
#    endif
#    ifdef __cplusplus /* C++ code */
#      include <atomic>
#      include <chrono>
#      include <pthread.h>
#      include <sched.h>
#      include <unistd.h>
#      include "log/CpuPause.h"   /* the library's spin-wait hint */
       /* Set once the interpreter starts exiting (after the facades have been
          stopped): up-calls that begin later wait outside it. Read by every
          thread without the interpreter lock, so it is atomic. */
       static std::atomic<int> SWIG_Python_exiting(0);
       /* Up-calls under way on library threads (each counted from before it
          asks for the interpreter lock until it has given it back): the exit
          waits for them, for a bounded time. */
       static std::atomic<int> SWIG_Python_upcalls(0);
       /* The thread that finalises the interpreter (the one that ran the
          module's exit handler; until then the one that imported it). */
       static std::atomic<pthread_t> SWIG_Python_exit_thread(pthread_self());
       /* Whether the interpreter is being finalised (or is gone) and this is
          not the thread finalising it. Such a thread does not hold the
          interpreter lock and never will again: a thread that asks for it is
          ended where it stands (pthread_exit, which unwinds its stack), and
          the thread states of all threads but the finalising one are freed.
          Clean-up that runs on such a thread (the unwinding of an up-call or
          of a module call that was waiting for the lock) leaves Python alone. */
       static bool SWIG_Python_ThreadEnded() {
         return !Py_IsInitialized() &&
                !pthread_equal(pthread_self(), SWIG_Python_exit_thread.load(std::memory_order_acquire));
       }
       /* This thread's part in the interpreter lock. A thread the interpreter
          has never seen (a library thread) gets one thread state on its first
          up-call and keeps it until it ends, so that each later
          PyGILState_Ensure only takes the lock instead of creating and
          destroying a state. depth counts this thread's own lock blocks:
          a block nested in one that holds the lock needs no second
          PyGILState_Ensure (a block that releases the lock sets it to 0). */
       struct SWIG_Python_ThreadLocal {
         int depth = 0;
         int upcall = 0;       /* blocks of an up-call under way that this thread counted */
         bool kept = false;
         bool gated = false;   /* this thread holds the gate (below) */
         void keep() {
           PyGILState_Ensure();   /* creates the state; held once, by this object */
           PyEval_SaveThread();
           kept = true;
         }
         ~SWIG_Python_ThreadLocal() {
           /* At thread exit. Once the interpreter is exiting the state is left
              to its finalisation: taking the lock then could end the thread.
              Counted as an up-call, so that the exit waits for it. */
           if (!kept) return;
           SWIG_Python_upcalls.fetch_add(1, std::memory_order_seq_cst);
           if (!SWIG_Python_exiting.load(std::memory_order_seq_cst) && Py_IsInitialized()) {
             PyGILState_Ensure();
             PyGILState_Release(PyGILState_LOCKED);
             PyGILState_Release(PyGILState_UNLOCKED);   /* the last hold: clears and deletes the state */
           }
           SWIG_Python_upcalls.fetch_sub(1, std::memory_order_seq_cst);
         }
       };
       static thread_local SWIG_Python_ThreadLocal SWIG_Python_thread;
       /* The gate in front of the interpreter lock for library threads. When
          several threads wait for the interpreter lock itself, every release
          wakes one of them through the kernel and they fight over its mutex,
          so an up-call costs microseconds instead of a tenth of one. Library
          threads therefore wait here, spinning, and only the one that passed
          takes the interpreter lock. The gate is only a queue in front of the
          lock, never a second lock: a thread that has seen no thread pass for
          a while (the one inside waits with the interpreter lock released: a
          sleep, a blocking read, a queue fed by another callback) goes on to
          the interpreter lock without it, and so does every thread after it
          until the gate's holder leaves, so no callback waits for another
          that it would not have waited for under the interpreter lock alone.
          A thread gives the gate up when it releases the interpreter lock
          (at the end of its up-call, or around a library call it makes from
          its callback). Python's own threads never use it. */
       struct SWIG_Python_Gate {
         std::atomic<unsigned> locked{0};
         std::atomic<unsigned> waiting{0};
         std::atomic<unsigned> turns{0};              /* passes through the gate */
         std::atomic<unsigned> stalled{0};            /* turns + 1 at which a waiter gave up */
       };
       static SWIG_Python_Gate SWIG_Python_gate;
       /* Whether this thread passed the gate (false: it goes on without it). */
       static bool SWIG_Python_GateEnter() {
         SWIG_Python_Gate &g = SWIG_Python_gate;
         unsigned free_gate = 0;
         if (g.waiting.load(std::memory_order_relaxed) == 0 &&
             g.locked.compare_exchange_strong(free_gate, 1, std::memory_order_acquire, std::memory_order_relaxed))
           goto passed;
         {
           unsigned seen = g.turns.load(std::memory_order_relaxed);
           if (g.stalled.load(std::memory_order_relaxed) == seen + 1 && g.locked.load(std::memory_order_relaxed))
             return false;   /* its holder is known to be waiting on something else */
           g.waiting.fetch_add(1, std::memory_order_relaxed);
           const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
           std::chrono::steady_clock::time_point since = start;
           for (unsigned spins = 1;; ++spins) {
             if (!g.locked.load(std::memory_order_relaxed)) {
               free_gate = 0;
               if (g.locked.compare_exchange_weak(free_gate, 1, std::memory_order_acquire, std::memory_order_relaxed)) {
                 g.waiting.fetch_sub(1, std::memory_order_relaxed);
                 goto passed;
               }
             }
             nq::cpu_pause();
             if (spins % 64 == 0) {
               unsigned now_turns = g.turns.load(std::memory_order_relaxed);
               std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now();
               if (now_turns != seen) {
                 seen = now_turns;
                 since = now;
               } else if (now - since > std::chrono::microseconds(50)) {
                 g.stalled.store(seen + 1, std::memory_order_relaxed);
                 g.waiting.fetch_sub(1, std::memory_order_relaxed);
                 return false;
               }
               if (now - start > std::chrono::milliseconds(1)) {
                 /* Others keep passing: wait for the interpreter lock asleep. */
                 g.waiting.fetch_sub(1, std::memory_order_relaxed);
                 return false;
               }
               if (spins >= 4096) sched_yield();   /* a loaded machine: let the holder run */
             }
           }
         }
       passed:
         g.turns.store(g.turns.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
         return true;
       }
       static void SWIG_Python_GateLeave(SWIG_Python_ThreadLocal &t) {
         if (t.gated) {
           t.gated = false;
           SWIG_Python_gate.locked.store(0, std::memory_order_release);
         }
       }
       /* Whether this thread is one the interpreter did not start (a library
          thread): it gets a thread state of its own on its first up-call. */
       static bool SWIG_Python_LibraryThread(SWIG_Python_ThreadLocal &t) {
         return t.kept || PyGILState_GetThisThreadState() == NULL;
       }
       /* A library thread beginning an up-call (not one already inside its
          own, which goes on) is counted; once the interpreter is exiting it
          must not enter it (a thread taking the lock then is ended where it
          stands), so it waits here, uncounted, until the process ends.
          Python's own threads go on. */
       static bool SWIG_Python_UpcallBegin(SWIG_Python_ThreadLocal &t) {
         if (t.upcall > 0 || !SWIG_Python_LibraryThread(t)) return false;
         SWIG_Python_upcalls.fetch_add(1, std::memory_order_seq_cst);
         if (SWIG_Python_exiting.load(std::memory_order_seq_cst) || SWIG_Python_ThreadEnded()) {
           SWIG_Python_upcalls.fetch_sub(1, std::memory_order_seq_cst);
           SWIG_Python_GateLeave(t);
           for (;;) pause();
         }
         ++t.upcall;
         return true;
       }
       static void SWIG_Python_UpcallEnd(SWIG_Python_ThreadLocal &t) {
         --t.upcall;
         SWIG_Python_upcalls.fetch_sub(1, std::memory_order_seq_cst);
       }
       static PyGILState_STATE SWIG_Python_EnsureGIL(SWIG_Python_ThreadLocal &t) {
         if (!t.kept && PyGILState_GetThisThreadState() == NULL) {
           t.keep();
         }
         if (t.kept) t.gated = SWIG_Python_GateEnter();
         return PyGILState_Ensure();
       }
       class SWIG_Python_Thread_Block {
         bool status;
         bool nested;
         bool counted;
         PyGILState_STATE state;
       public:
         void end() {
           if (status) {
             status = false;
             SWIG_Python_ThreadLocal &t = SWIG_Python_thread;
             --t.depth;
             /* A thread ended while the up-call waited for the lock (in a
                sleep or a read of its callback: its stack is unwinding now)
                holds neither the lock nor a thread state to give back. */
             if (!nested && !SWIG_Python_ThreadEnded()) {
               PyGILState_Release(state);
               SWIG_Python_GateLeave(t);
             }
             if (counted) SWIG_Python_UpcallEnd(t);
           }
         }
         SWIG_Python_Thread_Block() : status(true), nested(false), counted(false), state(PyGILState_LOCKED) {
           SWIG_Python_ThreadLocal &t = SWIG_Python_thread;
           if (t.depth == 0) counted = SWIG_Python_UpcallBegin(t);   /* waits for good once the interpreter is exiting */
           if (SWIG_Python_ThreadEnded()) {
             /* Clean-up on a thread that the finalising interpreter ended
                while it waited for the lock (its stack unwinding now): the
                interpreter is not its to enter, and the block does nothing. */
             if (counted) SWIG_Python_UpcallEnd(t);
             counted = false;
             status = false;
             return;
           }
           if (t.depth > 0) nested = true;
           else state = SWIG_Python_EnsureGIL(t);
           ++t.depth;
         }
         /* Whether the block holds the interpreter lock: false on a thread
            that the finalising interpreter has ended, whose clean-up must
            then leave Python objects alone. */
         bool active() const { return status; }
         ~SWIG_Python_Thread_Block() { end(); }
       };
       class SWIG_Python_Thread_Allow {
         bool status;
         int depth;
         PyThreadState *save;
       public:
         void end() {
           if (status) {
             /* Cleared first: while the interpreter is being finalised the
                thread is ended inside PyEval_RestoreThread (pthread_exit
                unwinds its stack), and the unwinding, which runs this
                object's destructor, must not ask for the lock again. */
             status = false;
             PyEval_RestoreThread(save);
             SWIG_Python_thread.depth = depth;
           }
         }
         SWIG_Python_Thread_Allow() : status(true) {
           SWIG_Python_ThreadLocal &t = SWIG_Python_thread;
           depth = t.depth;
           t.depth = 0;
           save = PyEval_SaveThread();
           /* The rest of this up-call goes without the gate. */
           SWIG_Python_GateLeave(t);
         }
         ~SWIG_Python_Thread_Allow() { end(); }
       };
#      define SWIG_PYTHON_THREAD_BEGIN_BLOCK   SWIG_Python_Thread_Block _swig_thread_block
#      define SWIG_PYTHON_THREAD_END_BLOCK     _swig_thread_block.end()
#      define SWIG_PYTHON_THREAD_BEGIN_ALLOW   SWIG_Python_Thread_Allow _swig_thread_allow
#      define SWIG_PYTHON_THREAD_END_ALLOW     _swig_thread_allow.end()
#      define SWIG_PYTHON_THREAD_BLOCK_ACTIVE  _swig_thread_block.active()
#    else /* C code */
#      define SWIG_PYTHON_THREAD_BEGIN_BLOCK   PyGILState_STATE _swig_thread_block = PyGILState_Ensure()
#      define SWIG_PYTHON_THREAD_END_BLOCK     PyGILState_Release(_swig_thread_block)
#      define SWIG_PYTHON_THREAD_BEGIN_ALLOW   PyThreadState *_swig_thread_allow = PyEval_SaveThread()
#      define SWIG_PYTHON_THREAD_END_ALLOW     PyEval_RestoreThread(_swig_thread_allow)
#    endif
#  else /* Old thread way, not implemented, user must provide it */
#    if !defined(SWIG_PYTHON_INITIALIZE_THREADS)
#      define SWIG_PYTHON_INITIALIZE_THREADS
#    endif
#    if !defined(SWIG_PYTHON_THREAD_BEGIN_BLOCK)
#      define SWIG_PYTHON_THREAD_BEGIN_BLOCK
#    endif
#    if !defined(SWIG_PYTHON_THREAD_END_BLOCK)
#      define SWIG_PYTHON_THREAD_END_BLOCK
#    endif
#    if !defined(SWIG_PYTHON_THREAD_BEGIN_ALLOW)
#      define SWIG_PYTHON_THREAD_BEGIN_ALLOW
#    endif
#    if !defined(SWIG_PYTHON_THREAD_END_ALLOW)
#      define SWIG_PYTHON_THREAD_END_ALLOW
#    endif
#  endif
#else /* No thread support */
#  define SWIG_PYTHON_INITIALIZE_THREADS
#  define SWIG_PYTHON_THREAD_BEGIN_BLOCK
#  define SWIG_PYTHON_THREAD_END_BLOCK
#  define SWIG_PYTHON_THREAD_BEGIN_ALLOW
#  define SWIG_PYTHON_THREAD_END_ALLOW
#endif
#if !defined(SWIG_PYTHON_THREAD_BLOCK_ACTIVE)
#  define SWIG_PYTHON_THREAD_BLOCK_ACTIVE 1
#endif
