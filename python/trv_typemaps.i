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

// Views of arrays and embedded records hold their record alive. Every
// object made for a pointer result knows the size of what it points to (an
// array view, of the whole array), so raw memory access stays within it.
%typemap(ret) SWIGTYPE * %{
  trv_py::set_span($result, trv_py::unit_of($1));
  if (trv_py::member_accessor("$symname", "$1_name", "_get")) trv_py::keep($result, swig_obj[0], 0);
%}
%typemap(ret) SWIGTYPE [ANY] %{
  trv_py::set_span($result, (Py_ssize_t)($1_dim0 * sizeof(*$1)));
  if (trv_py::member_accessor("$symname", "$1_name", "_get")) trv_py::keep($result, swig_obj[0], $1_dim0);
%}
%typemap(ret) SWIGTYPE [ANY][ANY] %{
  trv_py::set_span($result, (Py_ssize_t)($1_dim0 * sizeof(*$1)));
  if (trv_py::member_accessor("$symname", "$1_name", "_get")) trv_py::keep($result, swig_obj[0], $1_dim0);
%}
// Records returned by value are copies of their own size.
%typemap(ret) nq::trv_error_info_t, sockaddr, nq::trv_page_query_reference_t, sze_dvs_head, sse_dvs_head,
              price_quantity_unit, sse_lev2_price_quantity_unit, sse_lev2_bond_price_quantity_unit %{
  trv_py::set_span($result, (Py_ssize_t)sizeof($1_basetype));
%}
%typemap(ret) char [ANY] ""
%typemap(ret) char * ""
%typemap(ret) char const * ""

// An array setter copies the whole field from its source, so the source
// must hold at least as many elements.
%define TRV_ARRAY_SOURCE_CHECK(Pattern)
%typemap(check) Pattern %{
  if (trv_py::member_accessor("$symname", "$1_name", "_set")) {
    Py_ssize_t avail = trv_py::extent_of(swig_obj[$argnum - 1], sizeof(*$1));
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
