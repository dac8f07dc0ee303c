// Helpers that exist only in the module: record helpers for market-data
// records, the page-reference factory, quote-subscription helpers.


// ---- Record helpers ----------------------------------------------------
%define TRV_INDEXED(Rec, Method, Max, Text)
%exception Rec::Method %{
  if (arg2 < 0 || arg2 > Max) {
    SWIG_exception_fail(SWIG_IndexError, Text);
  }
  $action
%}
%enddef

%define TRV_HEAD_SYMBOL(Rec, Head, SymbolExpr)
%extend Rec {
  Head get_head() { return $self->m_head; }
  std::string get_symbol() { return trv_py::field_text(SymbolExpr, sizeof(SymbolExpr)); }
}
%enddef

%define TRV_LEVELS(Rec, Unit)
TRV_INDEXED(Rec, get_bid_unit, 9, "index out of range")
TRV_INDEXED(Rec, get_ask_unit, 9, "index out of range")
%extend Rec {
  Unit get_bid_unit(int index) { return $self->m_bid_unit[index]; }
  Unit get_ask_unit(int index) { return $self->m_ask_unit[index]; }
}
%enddef

%extend sze_dvs_head {
  std::string get_symbol() { return trv_py::field_text($self->m_symbol, sizeof($self->m_symbol)); }
}
TRV_HEAD_SYMBOL(sze_dvs_lev2, sze_dvs_head, $self->m_head.m_symbol)
TRV_HEAD_SYMBOL(sze_dvs_bond_snap, sze_dvs_head, $self->m_head.m_symbol)
TRV_LEVELS(sze_dvs_lev2, price_quantity_unit)
TRV_LEVELS(sze_dvs_bond_snap, price_quantity_unit)
TRV_HEAD_SYMBOL(sze_dvs_idx, sze_dvs_head, $self->m_head.m_symbol)
TRV_HEAD_SYMBOL(sze_dvs_order, sze_dvs_head, $self->m_head.m_symbol)
TRV_HEAD_SYMBOL(sze_dvs_exe, sze_dvs_head, $self->m_head.m_symbol)
TRV_HEAD_SYMBOL(sze_dvs_bond_order, sze_dvs_head, $self->m_head.m_symbol)
TRV_HEAD_SYMBOL(sze_dvs_bond_exe, sze_dvs_head, $self->m_head.m_symbol)

TRV_HEAD_SYMBOL(sse_dvs_lev2, sse_dvs_head, $self->m_symbol)
TRV_HEAD_SYMBOL(sse_dvs_bond_snap, sse_dvs_head, $self->m_symbol)
TRV_LEVELS(sse_dvs_lev2, sse_lev2_price_quantity_unit)
TRV_LEVELS(sse_dvs_bond_snap, sse_lev2_bond_price_quantity_unit)
TRV_HEAD_SYMBOL(sse_dvs_idx, sse_dvs_head, $self->m_symbol)
TRV_HEAD_SYMBOL(sse_dvs_exe, sse_dvs_head, $self->m_symbol)
TRV_HEAD_SYMBOL(sse_dvs_order, sse_dvs_head, $self->m_symbol)
TRV_HEAD_SYMBOL(sse_dvs_bond_tick, sse_dvs_head, $self->m_symbol)
%extend sse_dvs_bond_tick {
  std::string get_tick_type() { return std::string(1, $self->m_tick_type); }
}
%extend sse_dvs_tick_merge {
  std::string get_symbol() { return trv_py::field_text($self->m_symbol, sizeof($self->m_symbol)); }
  std::string get_tick_type() { return std::string(1, $self->m_tick_type); }
}

%define TRV_TEXT(Rec, Field)
%extend Rec {
  std::string get_ ## Field() { return trv_py::field_text($self->Field, sizeof($self->Field)); }
}
%enddef

%define TRV_BOOK(Rec, Type)
TRV_INDEXED(Rec, get_bid_px, 4, "bid_px index out of range (0-4)")
TRV_INDEXED(Rec, get_bid_volume, 4, "bid_volume index out of range (0-4)")
TRV_INDEXED(Rec, get_offer_px, 4, "offer_px index out of range (0-4)")
TRV_INDEXED(Rec, get_offer_volume, 4, "offer_volume index out of range (0-4)")
%extend Rec {
  Type get_bid_px(int index) { return $self->bid_px[index]; }
  Type get_bid_volume(int index) { return $self->bid_volume[index]; }
  Type get_offer_px(int index) { return $self->offer_px[index]; }
  Type get_offer_volume(int index) { return $self->offer_volume[index]; }
}
%enddef

TRV_TEXT(nq::trv_static_quote_full_info_t, security_code)
TRV_TEXT(nq::trv_static_quote_full_info_t, security_name)
TRV_TEXT(nq::trv_static_quote_full_info_t, security_status)

TRV_TEXT(nq::trv_sse_l1_index_t, md_stream_id)
TRV_TEXT(nq::trv_sse_l1_index_t, security_code)
TRV_TEXT(nq::trv_sse_l1_index_t, trading_phase_code)

TRV_TEXT(nq::trv_sse_l1_snapshot_t, md_stream_id)
TRV_TEXT(nq::trv_sse_l1_snapshot_t, security_code)
TRV_TEXT(nq::trv_sse_l1_snapshot_t, trading_phase_code)
TRV_BOOK(nq::trv_sse_l1_snapshot_t, uint64_t)

TRV_TEXT(nq::trv_szse_l1_index_t, md_stream_id)
TRV_TEXT(nq::trv_szse_l1_index_t, security_code)
TRV_TEXT(nq::trv_szse_l1_index_t, security_id_source)
TRV_TEXT(nq::trv_szse_l1_index_t, trading_phase_code)

TRV_TEXT(nq::trv_szse_l1_snapshot_t, md_stream_id)
TRV_TEXT(nq::trv_szse_l1_snapshot_t, security_code)
TRV_TEXT(nq::trv_szse_l1_snapshot_t, security_id_source)
TRV_TEXT(nq::trv_szse_l1_snapshot_t, trading_phase_code)
TRV_BOOK(nq::trv_szse_l1_snapshot_t, int64_t)

TRV_TEXT(nq::trv_szse_l1_snapshot_bond_t, md_stream_id)
TRV_TEXT(nq::trv_szse_l1_snapshot_bond_t, security_code)
TRV_TEXT(nq::trv_szse_l1_snapshot_bond_t, security_id_source)
TRV_TEXT(nq::trv_szse_l1_snapshot_bond_t, trading_phase_code)
TRV_BOOK(nq::trv_szse_l1_snapshot_bond_t, int64_t)
TRV_INDEXED(nq::trv_szse_l1_snapshot_bond_t, get_sub_trading_phase_code, 5,
            "sub_trading_phase_code index out of range (0-5)")
%extend nq::trv_szse_l1_snapshot_bond_t {
  std::string get_sub_trading_phase_code(int index) {
    return trv_py::field_text($self->sub_trading_phase_code[index], sizeof($self->sub_trading_phase_code[index]));
  }
}

// ---- Paged queries -----------------------------------------------------
%extend nq::trv_page_query_reference_t {
  static nq::trv_page_query_reference_t create() {
    nq::trv_page_query_reference_t ref;
    std::memset(&ref, 0, sizeof(ref));
    return ref;
  }
}

// ---- Market-data helpers that exist only in the module -------------------
%{
namespace trv_py {
// Market-data facades that initialize_friendly started.
static std::unordered_set<const void*> initialized_quote_apis;

static void say(const char* text) {
    std::printf("%s\n", text);
    std::fflush(stdout);
}
}  // namespace trv_py
%}

%nothread TRVQuoteApi_initialize_friendly;
%nothread TRVQuoteApi_get_trading_day_safe;
%nothread TRVQuoteApi_subscribe_quote_plan;
// As with initialize: the callback object of a successful initialisation is
// held by the module and the facade is stopped at interpreter exit.
%exception TRVQuoteApi_initialize_friendly %{
  $action
  if (result) trv_py::hold_spi(trv_py::QUOTE, swig_obj[2]);
%}
// An error met while reading the plan is raised, not left beside a result.
%exception TRVQuoteApi_subscribe_quote_plan %{
  $action
  if (PyErr_Occurred()) SWIG_fail;
%}
%inline %{
bool TRVQuoteApi_initialize_friendly(nq::TRVQuoteApi *api, nq::TRVQuoteConfig *config, nq::TRVQuoteSpi *spi) {
    if (!api) return false;
    bool ok;
    { SWIG_PYTHON_THREAD_BEGIN_ALLOW;
    ok = api->initialize(config, spi);
    SWIG_PYTHON_THREAD_END_ALLOW; }
    if (ok) trv_py::initialized_quote_apis.insert(api);
    return ok;
}

uint64_t TRVQuoteApi_get_trading_day_safe(nq::TRVQuoteApi *api) {
    if (!api || !trv_py::initialized_quote_apis.count(api)) return 0;
    uint64_t day;
    { SWIG_PYTHON_THREAD_BEGIN_ALLOW;
    day = api->get_trading_day();
    SWIG_PYTHON_THREAD_END_ALLOW; }
    return day;
}

bool TRVQuoteApi_subscribe_quote_plan(nq::TRVQuoteApi *api, uint64_t session_id, PyObject *plan, int rx_mode) {
    if (!api) {
        trv_py::say("1");
        return false;
    }
    PyObject *entries = PySequence_Fast(plan, "");
    if (!entries) {
        PyErr_Clear();
        trv_py::say("4");
        return false;
    }
    Py_ssize_t count = PySequence_Fast_GET_SIZE(entries);
    if (count == 0) {
        Py_DECREF(entries);
        trv_py::say("5");
        return false;
    }
    std::vector<nq::quote_thread_t> threads((size_t)count);
    for (auto &t : threads) {
        std::memset(&t, 0, sizeof(t));
        t.cpu_affinity = -1;
    }
    const char *refused = nullptr;
    for (Py_ssize_t i = 0; i < count && !refused; ++i) {
        PyObject *entry = PySequence_Fast(PySequence_Fast_GET_ITEM(entries, i), "");
        if (!entry) { PyErr_Clear(); refused = "7"; break; }
        if (PySequence_Fast_GET_SIZE(entry) != 2) { Py_DECREF(entry); refused = "8"; break; }
        PyObject *cpu = PySequence_Fast_GET_ITEM(entry, 0);
        PyObject *types = PySequence_Fast(PySequence_Fast_GET_ITEM(entry, 1), "");
        if (!types) { PyErr_Clear(); Py_DECREF(entry); refused = "9"; break; }
        Py_ssize_t ntypes = PySequence_Fast_GET_SIZE(types);
        if (ntypes > 64) { Py_DECREF(types); Py_DECREF(entry); refused = "10"; break; }
        nq::quote_thread_t &t = threads[(size_t)i];
        long c = PyLong_Check(cpu) ? PyLong_AsLong(cpu) : 0;
        if (PyErr_Occurred()) { Py_DECREF(types); Py_DECREF(entry); Py_DECREF(entries); return false; }
        t.cpu_affinity = (int32_t)c;
        t.busy_poll = false;
        t.mc_count = (uint16_t)ntypes;
        for (Py_ssize_t j = 0; j < ntypes; ++j) {
            PyObject *v = PySequence_Fast_GET_ITEM(types, j);
            long mc = PyLong_Check(v) ? PyLong_AsLong(v) : 0;
            if (PyErr_Occurred()) { Py_DECREF(types); Py_DECREF(entry); Py_DECREF(entries); return false; }
            t.mc_types[j] = (nq::QuoteMCType)(uint16_t)mc;
        }
        Py_DECREF(types);
        Py_DECREF(entry);
    }
    Py_DECREF(entries);
    if (refused) {
        trv_py::say(refused);
        return false;
    }
    trv_py::say("self->subscribe_quote");
    bool ok;
    { SWIG_PYTHON_THREAD_BEGIN_ALLOW;
    ok = api->subscribe_quote(session_id, (uint16_t)count, threads.data(), (nq::QuoteRxMode)(uint8_t)rx_mode);
    SWIG_PYTHON_THREAD_END_ALLOW; }
    return ok;
}
%}
%pythoncode %{
TRVQuoteApi.initialize_friendly = lambda self, config, spi: _py_trv_api.TRVQuoteApi_initialize_friendly(self, config, spi)
TRVQuoteApi.get_trading_day_safe = lambda self: _py_trv_api.TRVQuoteApi_get_trading_day_safe(self)
TRVQuoteApi.subscribe_quote_plan = lambda self, session_id, plan, rx_mode: _py_trv_api.TRVQuoteApi_subscribe_quote_plan(self, session_id, plan, rx_mode)
TRVTradeApi.__swig_destroy__ = _py_trv_api.delete_TRVTradeApi
TRVPrivilege.__swig_destroy__ = _py_trv_api.delete_TRVPrivilege
TRVQuoteApi.__swig_destroy__ = _py_trv_api.delete_TRVQuoteApi
%}

// A new subscription-plan entry pins to no core.
%extend nq::quote_thread_t {
  quote_thread_t() {
    nq::quote_thread_t *t = new nq::quote_thread_t();
    t->cpu_affinity = -1;
    return t;
  }
}
