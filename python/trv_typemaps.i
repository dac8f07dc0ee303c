// Conversions that differ from the generator's defaults.

// ---- The object of a wrapper -------------------------------------------
// Record, configuration, decoder, container, list and callback wrappers act
// through their object, so None is refused instead of followed.
%typemap(check) SWIGTYPE *self %{
  if (!$1) {
    SWIG_exception_fail(SWIG_TypeError, "in method '" "$symname" "', argument 1 of type '" "$1_type" "'");
  }
%}
%typemap(check) SWIGTYPE const *self = SWIGTYPE *self;
// The constructors of the callback and list classes take None or the instance.
%typemap(check) PyObject *self ""

// The facades all act on the one service provider: None stands for the one
// facade object.
namespace nq { class TRVTradeApi; class TRVPrivilege; class TRVQuoteApi; }
%define TRV_FACADE_SELF(Cls)
%typemap(check) nq::Cls *self %{
  if (!$1) {
    { SWIG_PYTHON_THREAD_BEGIN_ALLOW;
    $1 = nq::Cls::create();
    SWIG_PYTHON_THREAD_END_ALLOW; }
  }
%}
%typemap(check) nq::Cls const *self = nq::Cls *self;
%enddef
TRV_FACADE_SELF(TRVTradeApi)
TRV_FACADE_SELF(TRVPrivilege)
TRV_FACADE_SELF(TRVQuoteApi)

// ---- Embedded records and arrays ---------------------------------------
// Setting an embedded record copies the whole record, so None is refused.
%typemap(check) SWIGTYPE * %{
  if (!$1 && trv_py::member_accessor("$symname", "$1_name", "_set")) {
    SWIG_exception_fail(SWIG_TypeError, "invalid null reference in variable '" "$1_name" "' of type '" "$*1_type" "'");
  }
%}
// Pointer fields store the address given, None included.
%typemap(check) SWIGTYPE const * ""

// Views of arrays and embedded records hold their record alive.
%typemap(ret) SWIGTYPE * %{
  if (trv_py::member_accessor("$symname", "$1_name", "_get")) trv_py::keep($result, swig_obj[0], 0);
%}
%typemap(ret) SWIGTYPE [ANY] %{
  if (trv_py::member_accessor("$symname", "$1_name", "_get")) trv_py::keep($result, swig_obj[0], $1_dim0);
%}
%typemap(ret) SWIGTYPE [ANY][ANY] %{
  if (trv_py::member_accessor("$symname", "$1_name", "_get")) trv_py::keep($result, swig_obj[0], $1_dim0);
%}
%typemap(ret) char [ANY] ""
%typemap(ret) char * ""
%typemap(ret) char const * ""

// An array setter copies the whole field from its source, so the source
// must hold at least as many elements.
%define TRV_ARRAY_SOURCE_CHECK(Pattern)
%typemap(check) Pattern %{
  if (trv_py::member_accessor("$symname", "$1_name", "_set")) {
    Py_ssize_t avail = trv_py::extent_of(swig_obj[$argnum - 1]);
    if (avail >= 0 && avail < (Py_ssize_t)($1_dim0)) {
      SWIG_exception_fail(SWIG_TypeError, "in variable '" "$1_name" "': the source holds fewer elements than the field");
    }
  }
%}
%enddef
TRV_ARRAY_SOURCE_CHECK(SWIGTYPE [ANY])
TRV_ARRAY_SOURCE_CHECK(SWIGTYPE [ANY][ANY])
// Text fields copy a NUL-terminated text.
%typemap(check) char [ANY] ""

// ---- Texts that are not plain text ---------------------------------------
// A report id is 32 bytes, not a text.
%typemap(out) char report_id[ANY] %{
  $result = PyBytes_FromStringAndSize($1, $1_dim0);
%}

// Security codes are ASCII; anything else is an error, not a lone surrogate.
%typemap(out) char [nq::CONST_STR_SECURITY_CODE_LEN] %{
  {
    size_t n = 0;
    while (n < (size_t)($1_dim0) && $1[n]) ++n;
    $result = PyUnicode_DecodeUTF8($1, (Py_ssize_t)n, "strict");
    if (!$result) SWIG_fail;
  }
%}
