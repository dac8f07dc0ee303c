// Runtime helpers shared by the typemaps and wrappers of the module.

%{
namespace trv_py {

// Wrappers that can receive an exception from an up-call on this thread
// (the callback classes' base methods and the list methods) count themselves
// here; an up-call made by a library thread finds zero.
static thread_local int base_calls = 0;
struct BaseCall {
    BaseCall() { ++base_calls; }
    ~BaseCall() { --base_calls; }
};

// A Python exception raised by a callback that the library called: the
// library cannot take an exception, so it is reported through
// sys.unraisablehook (with the class and callback named) and cleared.
static void report_callback_error(const char* where) {
    PyObject* ctx = PyUnicode_FromFormat("Error detected when calling '%s'", where);
    PyErr_WriteUnraisable(ctx);
    Py_XDECREF(ctx);
}

// Only this module's wrapped objects carry the keep and extent fields
// (another module sharing the type table has its own, shorter ones).
static SwigPyObject* swig_this(PyObject* obj) {
    if (!obj || obj == Py_None) return nullptr;
    SwigPyObject* s = (SwigPyObject*)SWIG_Python_GetSwigThis(obj);
    return (s && Py_TYPE(s) == SwigPyObject_type()) ? s : nullptr;
}

// True for the getter of a member variable: "<struct>_<name>_get".
static bool member_accessor(const char* sym, const char* name, const char* suffix) {
    size_t ls = std::strlen(sym), ln = std::strlen(name), lx = std::strlen(suffix);
    if (ls < ln + lx + 1) return false;
    return sym[ls - ln - lx - 1] == '_' && std::strncmp(sym + ls - ln - lx, name, ln) == 0 &&
           std::strcmp(sym + ls - lx, suffix) == 0;
}

// A view into a record (array or embedded record) holds the record's wrapped
// object, so that the memory it points to stays allocated and so that the
// view is refused once that memory is gone; extent is the number of elements
// at the view's address (0: one).
static void keep(PyObject* view, PyObject* parent, Py_ssize_t extent) {
    SwigPyObject* v = swig_this(view);
    if (!v) return;
    v->extent = extent;
    SwigPyObject* p = swig_this(parent);
    if (p && !v->keep) {
        Py_INCREF((PyObject*)p);
        v->keep = (PyObject*)p;
    }
}

// Bytes known to lie at the address of a wrapped object: what the object
// is (a record, an array field, a payload of known length), -1 when that is
// unknown (a bare pointer, another module's object).
static Py_ssize_t span_of(PyObject* obj) {
    SwigPyObject* s = swig_this(obj);
    return s ? s->span : -1;
}
static void set_span(PyObject* obj, Py_ssize_t bytes) {
    SwigPyObject* s = swig_this(obj);
    if (s) s->span = bytes;
}
// The size of what a pointer result points to (-1 for void: unknown).
template <class T>
static inline Py_ssize_t unit_of(T*) { return (Py_ssize_t)sizeof(T); }
static inline Py_ssize_t unit_of(void*) { return -1; }
static inline Py_ssize_t unit_of(const void*) { return -1; }

// Whole elements of `unit` bytes available at the address of a wrapped
// object: from its span where known, else the number it was made with (at
// least one); -1 for an object of another module.
static Py_ssize_t extent_of(PyObject* obj, size_t unit) {
    SwigPyObject* s = swig_this(obj);
    if (!s) return -1;
    if (s->span >= 0) return s->span / (Py_ssize_t)unit;
    return s->extent > 0 ? s->extent : 1;
}

// Raw memory access through a wrapped object stays within the bytes known to
// lie there: more raises OverflowError (with the interpreter lock held). A
// bare pointer, whose extent is unknown, is not checked.
static bool within_span(PyObject* obj, size_t bytes, const char* where, int argnum, const char* note = "") {
    Py_ssize_t span = span_of(obj);
    if (span < 0 || bytes <= (size_t)span) return true;
    PyErr_Format(PyExc_OverflowError, "in method '%s', argument %d: %zu bytes%s exceed the %zd bytes of the object",
                 where, argnum, bytes, note, span);
    return false;
}

// The facades that this module initialised, with the callback object given
// to each. The object stays referenced after stop as well: a stop called from
// inside a callback does not wait for that callback, and a library thread
// parked at the start of an up-call at exit (see at_exit) still holds the
// bridge, which must outlive them. A stopped facade cannot be initialised
// again, so at most one object per facade is kept.
enum { TRADE = 0, PRIVILEGE = 1, QUOTE = 2 };
static PyObject* held_spi[3] = {nullptr, nullptr, nullptr};
static bool initialised[3] = {false, false, false};

static void hold_spi(int kind, PyObject* spi) {
    initialised[kind] = true;
    if (spi == Py_None || held_spi[kind]) return;
    Py_INCREF(spi);
    held_spi[kind] = spi;
}

static void stopped(int kind) { initialised[kind] = false; }

// Interpreter exit. The facades still initialised are stopped; library
// threads that begin an up-call from then on wait outside the interpreter
// (pythreads.swg); the up-calls under way are given a bounded time to end,
// with the interpreter lock released so that they can. One still under way
// after that (a callback sleeping in a loop, waiting for a fill) is ended by
// the finalisation when it next asks for the lock, and its clean-up leaves
// Python alone, so the process ends with the program's own status.
static const std::chrono::milliseconds exit_wait(2000);
static std::atomic<bool> exit_stops_done(false);

static void exit_stops(bool quote, bool privilege, bool trade) {
    if (quote) nq::TRVQuoteApi::create()->stop();
    if (privilege) nq::TRVPrivilege::create()->stop();
    if (trade) nq::TRVTradeApi::create()->stop();
    exit_stops_done.store(true, std::memory_order_release);
}

static PyObject* at_exit(PyObject*, PyObject*) {
    // This thread finalises the interpreter.
    SWIG_Python_exit_thread.store(pthread_self(), std::memory_order_release);
    bool stop[3] = {initialised[0], initialised[1], initialised[2]};
    { SWIG_PYTHON_THREAD_BEGIN_ALLOW;
    const auto deadline = std::chrono::steady_clock::now() + exit_wait;
    const auto nap = std::chrono::milliseconds(1);
    if (stop[QUOTE] || stop[PRIVILEGE] || stop[TRADE]) {
        // stop waits for the callbacks under way on other threads: one that
        // does not end must not hold the exit, so the stops run on a thread
        // of their own and are waited for until the deadline only.
        try {
            std::thread(exit_stops, stop[QUOTE], stop[PRIVILEGE], stop[TRADE]).detach();
        } catch (const std::system_error&) {
            exit_stops(stop[QUOTE], stop[PRIVILEGE], stop[TRADE]);
        }
        while (!exit_stops_done.load(std::memory_order_acquire) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(nap);
    }
    // The callback objects stay referenced: a library thread still inside an
    // up-call, or parked at the start of one, holds its bridge.
    SWIG_Python_exiting.store(1, std::memory_order_seq_cst);
    while (SWIG_Python_upcalls.load(std::memory_order_seq_cst) > 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(nap);
    SWIG_PYTHON_THREAD_END_ALLOW; }
    Py_RETURN_NONE;
}

static PyMethodDef at_exit_def = {"_py_trv_api_at_exit", at_exit, METH_NOARGS, nullptr};

static void register_at_exit() {
    PyObject* atexit = PyImport_ImportModule("atexit");
    if (!atexit) { PyErr_Clear(); return; }
    PyObject* fn = PyCFunction_New(&at_exit_def, nullptr);
    if (fn) {
        PyObject* r = PyObject_CallMethod(atexit, "register", "O", fn);
        Py_XDECREF(r);
        Py_DECREF(fn);
    }
    if (PyErr_Occurred()) PyErr_Clear();
    Py_DECREF(atexit);
}

// The record a Python list implementation returned from get, kept by the
// list method that asked for it (the caller holds the interpreter lock).
static thread_local PyObject* list_result = nullptr;
static void set_list_result(PyObject* obj) {
    Py_XINCREF(obj);
    PyObject* old = list_result;
    list_result = obj;
    Py_XDECREF(old);
}
static PyObject* take_list_result() {
    PyObject* r = list_result;
    list_result = nullptr;
    return r;
}

// Bytes of a fixed field up to its first NUL, never past its width.
static std::string field_text(const void* field, size_t width) {
    const char* p = static_cast<const char*>(field);
    size_t n = 0;
    while (n < width && p[n]) ++n;
    return std::string(p, n);
}

// Raw report size of the current up-call of on_raw_report.
static thread_local uint32_t raw_report_size = 0;

}  // namespace trv_py

// Wrappers without arguments have no argument array; typemaps shared with
// member accessors name it, so this stands in for it there.
static PyObject* const* const swig_obj = nullptr;
%}

%init %{
  trv_py::register_at_exit();
%}

// Raw memory (cdata.i, included after this file): cdata reads, and memmove
// writes, no more than the object holds where its size is known; a bare
// pointer, whose extent is unknown, is not checked. memmove refuses None.
%exception cdata_void %{
  if (!trv_py::within_span(swig_obj[0], (size_t)arg2, "$symname", 2)) SWIG_fail;
  $action
%}
%exception memmove %{
  if (!arg1) {
    // Nothing to write into: writing through null would end the process.
    SWIG_exception_fail(SWIG_TypeError, "in method '" "$symname" "', argument 1 of type 'void *'");
  }
  if (!trv_py::within_span(swig_obj[0], (size_t)arg3, "$symname", 2, " (the text and its NUL)")) SWIG_fail;
  $action
%}
