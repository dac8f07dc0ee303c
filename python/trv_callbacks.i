// Callback classes: Python subclasses receive the library's callbacks.

%feature("director") nq::TRVTradeSpi;
%feature("director") nq::TRVPrivilegeSpi;
%feature("director") nq::TRVQuoteSpi;

// Base methods keep the interpreter lock: they may call into Python.
%nothread nq::TRVTradeSpi;
%nothread nq::TRVPrivilegeSpi;
%nothread nq::TRVQuoteSpi;

// A Python exception in a callback goes back to the Python caller when a base
// method made the up-call; when the library made it, the library thread must
// go on, so the exception is reported and cleared.
%define TRV_CALLBACK(Cls, Name, Method)
%feature("director:except") nq::Cls::Method %{
  if ($error != NULL) {
    if (trv_py::base_calls > 0) {
      Swig::DirectorMethodException::raise("Error detected when calling '" #Name "." #Method "'");
    }
    trv_py::report_callback_error(#Name "." #Method);
  }
%}
%exception nq::Cls::Method %{
  {
    trv_py::BaseCall trv_base_call;
    $action
  }
%}
%enddef
%define TRV_CALLBACK_DIRECTOR_ONLY(Cls, Method)
%feature("director:except") nq::Cls::Method %{
  if ($error != NULL) {
    if (trv_py::base_calls > 0) {
      Swig::DirectorMethodException::raise("Error detected when calling '" #Cls "." #Method "'");
    }
    trv_py::report_callback_error(#Cls "." #Method);
  }
%}
%enddef

TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_disconnect)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_order_timeout)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_login)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_auth_trade)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_subscribe_trade_message)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_rebuild_trade_message)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_query_positions)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_query_assets)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_query_orders)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_query_orders_by_page)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_query_trades)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_query_init_assets)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_query_init_positions)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_query_trade_account_info)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_order_response)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_cancel_response)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_trade_report)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_order_error_response)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_order_end)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_raw_report)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_counter_fund_transfer_request)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_counter_fund_transfer_result)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_cluster_fund_transfer_request)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_cluster_fund_transfer_result)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_order_book_insert)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_order_book_update)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_order_book_error)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_asset)
TRV_CALLBACK(TRVTradeSpi, TRVTradeSpi, on_position)
TRV_CALLBACK(TRVPrivilegeSpi, TRVPrivilegeSpi, on_token)
TRV_CALLBACK(TRVPrivilegeSpi, TRVPrivilegeSpi, on_quote_login_info)
TRV_CALLBACK(TRVPrivilegeSpi, TRVPrivilegeSpi, on_fund_transfer_exec_result)
TRV_CALLBACK(TRVPrivilegeSpi, TRVPrivilegeSpi, on_dump_final_file)
TRV_CALLBACK(TRVPrivilegeSpi, TRVPrivilegeSpi, on_unbind_user_tgw)
TRV_CALLBACK(TRVPrivilegeSpi, TRVPrivilegeSpi, on_query_brief_assets)
TRV_CALLBACK(TRVPrivilegeSpi, TRVPrivilegeSpi, on_query_brief_positions)
TRV_CALLBACK(TRVQuoteSpi, TRVQuoteSpi, on_disconnect)
TRV_CALLBACK(TRVQuoteSpi, TRVQuoteSpi, on_login)
TRV_CALLBACK(TRVQuoteSpi, TRVQuoteSpi, on_quote)
TRV_CALLBACK(TRVQuoteSpi, TRVQuoteSpi, on_query_static_quote_info)
TRV_CALLBACK(TRVQuoteSpi, TRVQuoteSpi, on_query_level1_quote)
TRV_CALLBACK(TRVQuoteSpi, TRVQuoteSpi, on_query_all_level1_quote)
TRV_CALLBACK(TRVQuoteSpi, TRVQuoteSpi, on_request_rebuild_tick_quote_error)
TRV_CALLBACK(TRVQuoteSpi, TRVQuoteSpi, on_rebuild_tick_quote)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_disconnect)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_order_timeout)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_login)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_auth_trade)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_subscribe_trade_message)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_rebuild_trade_message)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_query_positions)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_query_assets)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_query_orders)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_query_orders_by_page)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_query_trades)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_query_init_assets)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_query_init_positions)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_query_trade_account_info)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_order_response)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_cancel_response)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_trade_report)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_order_error_response)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_order_end)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_raw_report)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_counter_fund_transfer_request)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_counter_fund_transfer_result)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_cluster_fund_transfer_request)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_cluster_fund_transfer_result)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_order_book_insert)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_order_book_update)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_order_book_error)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_asset)
TRV_CALLBACK_DIRECTOR_ONLY(TRVPrivilegeSpi, on_position)

// Thread-local size of the raw report of the current on_raw_report up-call.
%typemap(directorin) uint32_t report_size %{
  trv_py::raw_report_size = $1;
  $input = PyLong_FromUnsignedLong((unsigned long)$1);
%}
%typemap(directorin) char *raw_report %{
  if ($1 && trv_py::raw_report_size) {
    $input = PyBytes_FromStringAndSize($1, (Py_ssize_t)trv_py::raw_report_size);
  } else {
    Py_INCREF(Py_None);
    $input = Py_None;
  }
%}
%typemap(directorin) char report_id[ANY] %{
  $input = PyBytes_FromStringAndSize($1, $1_dim0);
%}
// A base method handing its arguments to another object's up-call: the
// up-call copies report_size bytes, which must lie within the text given.
%typemap(check) char *raw_report %{
  if ($1 && (size_t)arg10 > std::strlen($1) + 1) {
    SWIG_exception_fail(SWIG_OverflowError, "in method '" "$symname" "', argument 10: report_size exceeds the length of raw_report");
  }
%}
// Likewise on_quote: the up-call shows msg_len bytes of msg_data to Python,
// which must lie within the object given, where its size is known.
%typemap(check) uint32_t msg_len %{
  if (!trv_py::within_span(swig_obj[$argnum - 2], (size_t)$1, "$symname", $argnum)) SWIG_fail;
%}
