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

// Elements available at the address of a wrapped object (at least one).
static Py_ssize_t extent_of(PyObject* obj) {
    SwigPyObject* s = swig_this(obj);
    if (!s) return -1;
    return s->extent > 0 ? s->extent : 1;
}

// The facades that this module initialised, with the callback object given
// to each. The object stays referenced after stop as well: stop does not wait
// for a callback that a library thread has already begun (and quote receivers
// run on until unsubscribe_quote), so the bridge must outlive it. A stopped
// facade cannot be initialised again, so at most one object per facade is kept.
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

// Interpreter exit: stop every facade still initialised (so no callback is
// pending), then keep library threads out of the finalising interpreter.
static PyObject* at_exit(PyObject*, PyObject*) {
    bool stop[3] = {initialised[0], initialised[1], initialised[2]};
    { SWIG_PYTHON_THREAD_BEGIN_ALLOW;
    if (stop[QUOTE]) nq::TRVQuoteApi::create()->stop();
    if (stop[PRIVILEGE]) nq::TRVPrivilege::create()->stop();
    if (stop[TRADE]) nq::TRVTradeApi::create()->stop();
    SWIG_PYTHON_THREAD_END_ALLOW; }
    // The callback objects stay referenced: a library thread may still hold
    // one (quote receivers run until unsubscribe_quote) and must not reach
    // a freed bridge.
    SWIG_Python_exiting.store(1, std::memory_order_release);
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
