// Result lists: library lists read from Python, and Python implementations.

%define TRV_LIST(Name, Elem)
%feature("director") nq::Name;
%nothread nq::Name;
// A library list does not check its index: it is checked here.
// A Python implementation's get may keep the record it returns: the element
// handed back holds that record object instead of taking its memory over.
%exception nq::Name::get %{
  {
    trv_py::BaseCall trv_base_call;
    bool from_python = dynamic_cast<Swig::Director const *>(arg1) != 0;
    if (!from_python) {
      size_t count = arg1->data_count();
      if (arg2 < 0 || (size_t)arg2 >= count) {
        SWIG_exception_fail(SWIG_IndexError, "index out of range");
      }
    }
    trv_py::set_list_result(0);
    $action
    trv_py::library_row = !from_python;
  }
%}
%exception nq::Name::data_count %{
  {
    trv_py::BaseCall trv_base_call;
    $action
  }
%}
%typemap(directorout) Elem const * (void *swig_argp, int swig_res) %{
  swig_res = SWIG_ConvertPtr($input, &swig_argp, $descriptor, 0);
  if (!SWIG_IsOK(swig_res)) {
    %dirout_fail(swig_res, "$type");
  }
  trv_py::set_list_result($input);
  $result = %reinterpret_cast(swig_argp, $ltype);
%}
%typemap(ret) Elem const * %{
  {
    trv_py::set_span($result, (Py_ssize_t)sizeof(Elem));
    PyObject *trv_kept = trv_py::take_list_result();
    if (trv_kept) {
      if (trv_kept != Py_None) trv_py::keep($result, trv_kept, 0);
      Py_DECREF(trv_kept);
    }
    // A row of a library list reads the list's memory.
    if (trv_py::take_library_row()) {
      trv_py::keep($result, swig_obj[0], 0);
      trv_py::HandOut::row($result, &trv_py::copy_record< Elem >, sizeof(Elem));
    }
  }
%}
// A list handed to a callback lives only during the call (see trv_lifetimes.i).
%typemap(directorin) nq::Name const * %{
  $input = SWIG_NewPointerObj(SWIG_as_voidptr($1), $descriptor, 0);
  trv_py::set_span($input, (Py_ssize_t)sizeof(nq::Name));
  trv_py::HandOut trv_hand_out_$1_name($input, nullptr, 0);
%}
%enddef

TRV_LIST(TRVOrderList, nq::trv_order_info_t)
TRV_LIST(TRVInitAssetList, nq::trv_init_asset_info_t)
TRV_LIST(TRVInitPositionList, nq::trv_init_position_info_t)
TRV_LIST(TRVAssetList, nq::trv_asset_info_t)
TRV_LIST(TRVPositionList, nq::trv_position_info_t)
TRV_LIST(TRVTradeReportList, nq::trv_trade_report_t)
TRV_LIST(TRVTradeAccountInfoList, nq::trv_trade_account_info_t)
TRV_LIST(TRVStaticQuoteList, nq::trv_static_quote_full_info_t)
TRV_LIST(TRVLevel1QuoteList, nq::trv_level1_quote_t)
TRV_LIST(TRVFundTransferExecResultList, nq::trv_fund_transfer_exec_result_t)
TRV_LIST(TRVFundTransferRequestList, nq::trv_counter_fund_transfer_request_t)
TRV_LIST(TRVFundTransferResultList, nq::trv_counter_fund_transfer_result_t)
TRV_LIST(TRVClusterFundTransferRequestList, nq::trv_cluster_fund_transfer_request_t)
TRV_LIST(TRVClusterFundTransferResultList, nq::trv_cluster_fund_transfer_result_t)
TRV_LIST(TRVAccountIndexList, uint64_t)
TRV_LIST(TRVBriefAssetList, nq::trv_brief_asset_t)
TRV_LIST(TRVBriefPositionList, nq::trv_brief_position_t)

// The list protocol (data_count and get) and the lifecycle functions carry no
// docstring in the method table, though the header documents the list
// methods and the decoder constructors for C++ readers. The function objects
// read their method entry when asked, so clearing it at initialisation is
// enough.
%init %{
  for (PyMethodDef *def = SwigMethods; def->ml_name != NULL; ++def) {
    const char *name = def->ml_name;
    size_t len = strlen(name);
    bool list_protocol = strncmp(name, "TRV", 3) == 0 &&
        ((len > 8 && strcmp(name + len - 8, "List_get") == 0) ||
         (len > 15 && strcmp(name + len - 15, "List_data_count") == 0));
    bool lifecycle = strncmp(name, "new_", 4) == 0 || strncmp(name, "delete_", 7) == 0 ||
        strncmp(name, "disown_", 7) == 0;
    if (list_protocol || lifecycle) def->ml_doc = NULL;
  }
%}
