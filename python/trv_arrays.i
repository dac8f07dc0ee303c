// QuoteMCTypeArray64: an array of channel types for quote_thread_t.mc_types.
// The array object knows how many elements it was made with (or, made from a
// pointer, how many its source has): indexes beyond that are refused.
%define TRV_ARRAY_INDEX(Method)
%exception QuoteMCTypeArray64::Method %{
  if ((Py_ssize_t)arg2 >= trv_py::extent_of(swig_obj[0])) {
    SWIG_exception_fail(SWIG_IndexError, "index out of range");
  }
  $action
%}
%enddef
TRV_ARRAY_INDEX(__getitem__)
TRV_ARRAY_INDEX(__setitem__)

%typemap(ret) QuoteMCTypeArray64 * %{
  if (std::strcmp("$symname", "new_QuoteMCTypeArray64") == 0) {
    trv_py::keep($result, nullptr, (Py_ssize_t)arg1);
  } else if (std::strcmp("$symname", "QuoteMCTypeArray64_frompointer") == 0) {
    trv_py::keep($result, swig_obj[0], trv_py::extent_of(swig_obj[0]));
  }
%}
%typemap(ret) nq::QuoteMCType * %{
  if (std::strcmp("$symname", "QuoteMCTypeArray64_cast") == 0) {
    trv_py::keep($result, swig_obj[0], trv_py::extent_of(swig_obj[0]));
  }
%}

%include <carrays.i>
%array_class(nq::QuoteMCType, QuoteMCTypeArray64);
