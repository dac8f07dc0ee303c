// Facades: the library's objects for the life of the process.

// The destructors of the facades are not public: their delete functions
// release the Python object's claim and leave the library's facade alone.
%apply SWIGTYPE *DISOWN { nq::TRVTradeApi *facade, nq::TRVPrivilege *facade, nq::TRVQuoteApi *facade };
%inline %{
void delete_TRVTradeApi(nq::TRVTradeApi *facade) { (void)facade; }
void delete_TRVPrivilege(nq::TRVPrivilege *facade) { (void)facade; }
void delete_TRVQuoteApi(nq::TRVQuoteApi *facade) { (void)facade; }
%}

// The callback object given to a successful initialize is held by the module
// (see trv_support.i), so a program need not keep it referenced itself.
%define TRV_INITIALIZE(Cls, Kind)
%exception nq::Cls::initialize %{
  $action
  if (result) trv_py::hold_spi(trv_py::Kind, swig_obj[2]);
%}
%exception nq::Cls::stop %{
  $action
  trv_py::stopped(trv_py::Kind);
%}
%enddef
TRV_INITIALIZE(TRVTradeApi, TRADE)
TRV_INITIALIZE(TRVPrivilege, PRIVILEGE)
TRV_INITIALIZE(TRVQuoteApi, QUOTE)

// Fund-transfer submissions: the business-number buffer is the module's own
// and its text comes back beside the library's result.
%typemap(in) (nq::amount_t amount, char *biz_no) (long long amount_val, int amount_res, char biz_buf[64]) %{
  amount_res = SWIG_AsVal_long_SS_long($input, &amount_val);
  if (!SWIG_IsOK(amount_res)) {
    SWIG_exception_fail(SWIG_ArgError(amount_res), "in method '" "$symname" "', argument " "$argnum" " of type '" "nq::amount_t" "'");
  }
  $1 = (nq::amount_t)amount_val;
  std::memset(biz_buf, 0, sizeof(biz_buf));
  $2 = biz_buf;
%}
%typemap(typecheck, precedence=SWIG_TYPECHECK_INT64) (nq::amount_t amount, char *biz_no) %{
  {
    long long v;
    $1 = SWIG_IsOK(SWIG_AsVal_long_SS_long($input, &v)) ? 1 : 0;
  }
%}
%typemap(argout) (nq::amount_t amount, char *biz_no) %{
  {
    // The transfer was submitted whatever bytes the number holds: they are
    // kept (as lone surrogates) rather than turned into an exception.
    PyObject *biz = PyUnicode_DecodeUTF8($2, (Py_ssize_t)std::strlen($2), "surrogateescape");
    if (!biz) SWIG_fail;
    PyObject *pair = PyTuple_Pack(2, $result, biz);
    Py_DECREF(biz);
    if (!pair) SWIG_fail;
    Py_DECREF($result);
    $result = pair;
  }
%}

// Records that the library reads: None is refused rather than handed over as
// a null pointer (the callback classes' base methods take None as before).
%{
namespace trv_py {
static bool facade_wrapper(const char* sym) {
    return std::strncmp(sym, "TRVTradeApi_", 12) == 0 || std::strncmp(sym, "TRVPrivilege_", 13) == 0 ||
           std::strncmp(sym, "TRVQuoteApi_", 12) == 0;
}
}  // namespace trv_py
%}
%define TRV_RECORD_REQUIRED(Decl)
%typemap(check) Decl %{
  if (!$1 && trv_py::facade_wrapper("$symname")) {
    SWIG_exception_fail(SWIG_TypeError, "in method '" "$symname" "', argument " "$argnum" " of type '" "$1_type" "'");
  }
%}
%enddef
TRV_RECORD_REQUIRED(nq::trv_order_insert_info_t *order)
TRV_RECORD_REQUIRED(nq::trv_cancel_order_info_t *cancel_order)
TRV_RECORD_REQUIRED(nq::trv_order_query_param_t const *order_query_param)
TRV_RECORD_REQUIRED(nq::trv_page_query_reference_t const *query_reference)
TRV_RECORD_REQUIRED(nq::trv_fund_transfer_exec_request_t const *fund_transfer_exec_req)
TRV_RECORD_REQUIRED(nq::trv_counter_fund_transfer_request_t const *fund_transfer_request)
TRV_RECORD_REQUIRED(nq::trv_counter_fund_transfer_result_t const *fund_transfer_result)
TRV_RECORD_REQUIRED(nq::trv_cluster_fund_transfer_request_t const *cluster_fund_transfer_request)
TRV_RECORD_REQUIRED(nq::trv_cluster_fund_transfer_result_t const *cluster_fund_transfer_result)
TRV_RECORD_REQUIRED(nq::trv_rebuild_tick_quote_req_t const *request)

// The plain subscribe_quote reads thread_count records from quote_threads:
// no more than the object given holds.
%typemap(check) nq::quote_thread_t *quote_threads %{
  if (!$1) {
    SWIG_exception_fail(SWIG_TypeError, "in method '" "$symname" "', argument " "$argnum" " of type '" "$1_type" "'");
  }
  if ((Py_ssize_t)arg3 > trv_py::extent_of(swig_obj[$argnum - 1], sizeof(nq::quote_thread_t))) {
    SWIG_exception_fail(SWIG_OverflowError, "in method '" "$symname" "': thread_count exceeds the records given in quote_threads");
  }
%}

// The sender lookups write through two uint64_t references. What Python can
// give for them (elements of the uint64_t arrays of packed records, rows of
// account-index lists) need not be aligned, so the library writes an aligned
// temporary that is copied back.
%typemap(in) uint64_t &session_id (void *argp = 0, int res = 0, uint64_t temp = 0),
             uint64_t &trade_token (void *argp = 0, int res = 0, uint64_t temp = 0) %{
  res = SWIG_ConvertPtr($input, &argp, $descriptor, 0);
  if (!SWIG_IsOK(res)) {
    SWIG_exception_fail(SWIG_ArgError(res), "in method '" "$symname" "', argument " "$argnum" " of type '" "$1_type" "'");
  }
  if (!argp) {
    SWIG_exception_fail(SWIG_TypeError, "invalid null reference in method '" "$symname" "', argument " "$argnum" " of type '" "$1_type" "'");
  }
  std::memcpy(&temp, argp, sizeof(temp));
  $1 = &temp;
%}
%typemap(argout) uint64_t &session_id, uint64_t &trade_token %{
  std::memcpy(argp$argnum, $1, sizeof(uint64_t));
%}

// The gateway-address view reads the configuration's memory: it holds the
// configuration, and shows its 32 address slots.
%typemap(ret) sockaddr * %{
  if (std::strstr("$symname", "_agw_addrs")) {
    trv_py::keep($result, swig_obj[0], 32);
    trv_py::set_span($result, (Py_ssize_t)(32 * sizeof(sockaddr)));
  }
%}
