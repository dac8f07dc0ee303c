// QuoteMCTypeArray64: an array of channel types for quote_thread_t.mc_types.
// The array object knows how many elements it was made with (or, made from a
// pointer, how many its source has): indexes beyond that are refused.
%define TRV_ARRAY_INDEX(Method)
%exception QuoteMCTypeArray64::Method %{
  if ((Py_ssize_t)arg2 >= trv_py::extent_of(swig_obj[0], sizeof(nq::QuoteMCType))) {
    SWIG_exception_fail(SWIG_IndexError, "index out of range");
  }
  $action
%}
%enddef
TRV_ARRAY_INDEX(__getitem__)
TRV_ARRAY_INDEX(__setitem__)

%{
namespace trv_py {
// Bytes of a new array of n channel types (the typemap below also serves
// frompointer, whose first argument is a pointer).
template <class N>
static inline Py_ssize_t array_bytes(N n) { return (Py_ssize_t)(n * sizeof(nq::QuoteMCType)); }
template <class T>
static inline Py_ssize_t array_bytes(T*) { return -1; }
}  // namespace trv_py
%}
%typemap(ret) QuoteMCTypeArray64 * %{
  if (std::strcmp("$symname", "new_QuoteMCTypeArray64") == 0) {
    trv_py::keep($result, nullptr, (Py_ssize_t)arg1);
    trv_py::set_span($result, trv_py::array_bytes(arg1));
  } else if (std::strcmp("$symname", "QuoteMCTypeArray64_frompointer") == 0) {
    trv_py::keep($result, swig_obj[0], trv_py::extent_of(swig_obj[0], sizeof(nq::QuoteMCType)));
    trv_py::set_span($result, trv_py::span_of(swig_obj[0]));
  }
%}
%typemap(ret) nq::QuoteMCType * %{
  if (std::strcmp("$symname", "QuoteMCTypeArray64_cast") == 0) {
    trv_py::keep($result, swig_obj[0], trv_py::extent_of(swig_obj[0], sizeof(nq::QuoteMCType)));
    trv_py::set_span($result, trv_py::span_of(swig_obj[0]));
  }
%}

%include <carrays.i>
%array_class(nq::QuoteMCType, QuoteMCTypeArray64);
