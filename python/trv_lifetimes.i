// Lifetimes of what reaches Python pointing into native memory.
//
// The records, lists and market-data payloads that the library hands to a
// callback live only during the call. When the up-call returns:
//  - a record (or a row taken from a list) that Python still holds is copied
//    into memory of its own and goes on working; views into it follow it
//    into the copy;
//  - a list or payload, and whatever reads it (decoders, their items, the
//    records they point to), is marked gone: every later use raises
//    ReferenceError naming the object instead of reading freed memory.
// An object destroyed by an explicit delete_<Class> is marked gone the same
// way, and so are the views into it.

%{
namespace trv_py {

typedef void* (*copy_fn)(const void*);

// A record copied out of memory that goes away; released by the class's
// delete function like any record made in Python.
template <class T>
static void* copy_record(const void* p) {
    return new (std::nothrow) T(*static_cast<const T*>(p));
}

// What one up-call handed out: the pointer argument it converts (declared
// with that argument, so it is finished when the up-call returns, also when
// an exception leaves it) and the rows of library lists taken meanwhile on
// this thread.
class HandOut {
public:
    HandOut(PyObject* obj, copy_fn copy, size_t size) : prev_(top_) {
        if (size > 0) set_span(obj, (Py_ssize_t)size);
        self_ = entry(obj, copy, size, false);
        top_ = this;
    }
    ~HandOut() {
        top_ = prev_;
        // A thread that the finalising interpreter ended inside the up-call
        // (its stack unwinding now) holds no lock: the objects are left to
        // the finalisation.
        if (SWIG_Python_ThreadEnded()) return;
        finish(self_);
        for (Entry& e : rows_) finish(e);
    }
    // A row taken from a library list while an up-call runs on this thread.
    static void row(PyObject* obj, copy_fn copy, size_t size) {
        if (top_) {
            Entry e = entry(obj, copy, size, true);
            if (e.sobj) top_->rows_.push_back(e);
        }
    }

private:
    struct Entry {
        PyObject* obj;
        SwigPyObject* sobj;
        copy_fn copy;
        size_t size;
        bool held;
    };
    static Entry entry(PyObject* obj, copy_fn copy, size_t size, bool held) {
        Entry e = {obj, swig_this(obj), copy, size, held};
        if (e.sobj && held) Py_INCREF(obj);
        return e;
    }
    // Called with the interpreter lock held (the up-call holds it until
    // after its arguments are released).
    static void finish(Entry& e) {
        SwigPyObject* s = e.sobj;
        if (!s) return;
        if (!s->gone && !s->moved_from) {
            // Held elsewhere than by this up-call: the proxy by someone else,
            // or the wrapped object by the proxy and by a view or a copy of
            // `this`.
            bool kept = Py_REFCNT(e.obj) > 1 || (e.obj != (PyObject*)s && Py_REFCNT((PyObject*)s) > 1);
            SwigPyClientData* data = s->ty ? (SwigPyClientData*)s->ty->clientdata : nullptr;
            void* copy = (kept && e.copy && data && data->destroy) ? e.copy(s->ptr) : nullptr;
            if (copy) {
                s->moved_from = s->ptr;
                s->moved_size = e.size;
                s->ptr = copy;
                s->own = SWIG_POINTER_OWN;
                Py_XINCREF(Swig_Capsule_global);   // as for any owned object
                Py_CLEAR(s->keep);                 // no longer reads its list
            } else {
                s->gone = SWIG_GONE_RETURNED;
            }
        }
        if (e.held) Py_DECREF(e.obj);
    }

    Entry self_;
    std::vector<Entry> rows_;
    HandOut* prev_;
    static thread_local HandOut* top_;
};
thread_local HandOut* HandOut::top_ = nullptr;

// After an explicit delete_<Class>: the object and the views into it refuse
// every later use.
static void mark_deleted(PyObject* obj) {
    SwigPyObject* s = swig_this(obj);
    if (s) s->gone = SWIG_GONE_DELETED;
}

// Set by a library list's get for its result (a row that reads the list).
static thread_local bool library_row = false;
static bool take_library_row() {
    bool r = library_row;
    library_row = false;
    return r;
}

}  // namespace trv_py

// Method names of up-calls: one interned str per call site, made once, so
// that the lookup by name (still made at every up-call, so a method replaced
// at run time is found) hits the type's attribute cache.
#define SWIG_Python_str_FromChar(name) \
  ([]() -> PyObject* { static PyObject* s = PyUnicode_InternFromString(name); Py_XINCREF(s); return s; }())
%}

// Record arguments of callbacks.
%typemap(directorin) SWIGTYPE const * %{
  $input = SWIG_NewPointerObj(SWIG_as_voidptr($1), $descriptor, 0);
  trv_py::HandOut trv_hand_out_$1_name($input, &trv_py::copy_record< $1_basetype >, sizeof($1_basetype));
%}
// The market-data payload of on_quote: not copied; its length is known.
%typemap(directorin) void const *msg_data %{
  $input = SWIG_NewPointerObj(SWIG_as_voidptr($1), $descriptor, 0);
  trv_py::set_span($input, (Py_ssize_t)msg_len);
  trv_py::HandOut trv_hand_out_$1_name($input, nullptr, 0);
%}

// delete_<Class>: the object is gone once its native object is destroyed.
%typemap(argout) SWIGTYPE *self %{
  if (std::strncmp("$symname", "delete_", 7) == 0) trv_py::mark_deleted(swig_obj[0]);
%}

// A decoder holds the object whose memory it reads; an item holds its decoder.
%typemap(ret) nq::TRVQuoteDecoder *, nq::mqr::MQRQuoteDecoder * %{
  trv_py::set_span($result, trv_py::unit_of($1));
  if (std::strncmp("$symname", "new_", 4) == 0) trv_py::keep($result, swig_obj[1], 0);
%}
%typemap(ret) nq::TRVQuoteItem *, nq::mqr::MQRQuoteItem * %{
  trv_py::set_span($result, trv_py::unit_of($1));
  if (std::strstr("$symname", "_get_next")) trv_py::keep($result, swig_obj[0], 0);
%}
// A decoder reads `len` bytes from the packet: no more than the object given
// holds, where its size is known.
%define TRV_DECODER_LENGTH(Ctor)
%exception Ctor %{
  if (!trv_py::within_span(swig_obj[1], (size_t)arg3, "$symname", 3)) SWIG_fail;
  $action
%}
%enddef
TRV_DECODER_LENGTH(nq::TRVQuoteDecoder::TRVQuoteDecoder)
TRV_DECODER_LENGTH(nq::mqr::MQRQuoteDecoder::MQRQuoteDecoder)
