"""The flat module surface, its constants and the conversion rules."""
import ctypes
import gc
import sys
import weakref
from collections import Counter

import pytest

import _py_trv_api as m
import py_trv_api as p
import surface


def family(name):
    for prefix in ("new_", "delete_", "disown_"):
        if name.startswith(prefix):
            return prefix[:-1]
    for suffix in ("_swiginit", "_swigregister"):
        if name.endswith(suffix):
            return suffix[1:]
    if name in ("cdata", "memmove"):
        return "raw"
    if name.endswith("_get") and not name.endswith("List_get"):
        return "get"
    if name.endswith("_set"):
        return "set"
    return "method"


def test_function_totals_by_family_and_calling_convention():
    functions = surface.module_functions(m)
    assert len(functions) == 2625
    conventions = Counter(functions.values())
    assert conventions == {surface.METH_NOARGS: 97, surface.METH_O: 1307, surface.METH_VARARGS: 1221}
    assert Counter(family(n) for n in functions) == {
        "new": 113, "delete": 100, "disown": 20, "swiginit": 113, "swigregister": 117,
        "get": 936, "set": 936, "method": 288, "raw": 2}


def test_constants_and_cvar():
    constants = [n for n, v in vars(m).items() if not n.startswith("_") and isinstance(v, (int, str))]
    assert len(constants) == 166
    assert (p.SZE_EXCHANGE_ID, p.SSE_STATIC_INFO_FOUND_SYMBOL_BUT_NO_VALUE, p.RX_MODE_EFVI) == (101, -3, 2)
    assert p.ORD_STATUS_NEW == "0" and p.EXEC_TYPE_TRADE == "F"
    names = ["CONST_STR_SECURITY_CODE_LEN", "CONST_ERROR_MSG_LEN", "CONST_SECURITY_NAME_LEN", "CONST_ACC_NAME_LEN",
             "CONST_ACC_PASSWD_LEN", "CONST_TERMINAL_INFO_LEN", "CONST_API_VERSION_STR_LEN", "PAGE_REQ_COUNT_MIN",
             "CONST_CL_ORD_ID_LEN", "CONST_REPORT_ID_LEN", "CONST_TRD_EXEC_ID_LEN", "CONST_FUND_ACC_NAME_LEN",
             "CONST_BIZ_NO_LEN"]
    assert str(p.cvar) == "(" + ", ".join(reversed(names)) + ")"
    assert [getattr(p.cvar, n) for n in names] == [9, 256, 41, 65, 129, 257, 25, 1, 11, 32, 17, 15, 20]
    with pytest.raises(AttributeError, match="^Variable CONST_BIZ_NO_LEN is read-only.$"):
        p.cvar.CONST_BIZ_NO_LEN = 3
    assert p.cvar.CONST_BIZ_NO_LEN == 20
    with pytest.raises(AttributeError, match="^Unknown C global variable 'OTHER'$"):
        p.cvar.OTHER


def test_docstrings_of_the_method_table():
    functions = surface.module_functions(m)
    documented = {n for n in functions if getattr(m, n).__doc__}
    # Lifecycle functions, the list protocol, the containers and raw memory carry none.
    undocumented_families = {"new", "delete", "disown", "swiginit", "swigregister", "raw"}
    assert not {n for n in documented if family(n) in undocumented_families}
    assert not {n for n in documented if n.startswith(("VectorString_", "SwigPyIterator_", "QuoteMCTypeArray64_"))}
    assert not {n for n in documented if n.startswith("TRV") and n.endswith(("List_get", "List_data_count"))}
    # A documented field has its comment on both accessors.
    getters = {n[:-4] for n in documented if family(n) == "get"}
    assert getters == {n[:-4] for n in documented if family(n) == "set"}
    assert len(getters) == 507
    # Every library method and callback base method is documented, the
    # module's own helpers are not.
    methods = {n for n in documented if family(n) == "method"}
    assert len(methods) == 127
    assert {"TRVTradeApi_login", "TRVTradeSpi_on_login", "TRVPrivilege_query_brief_assets", "TRVQuoteSpi_on_quote",
            "TRVQuoteConfig_use_level2", "TRVQuoteDecoder_get_next"} <= methods
    assert not methods & {"TRVQuoteApi_subscribe_quote_plan", "trv_sse_l1_snapshot_t_get_bid_px",
                          "trv_page_query_reference_t_create"}
    doc = m.TRVTradeApi_insert_order.__doc__
    assert doc.startswith("\n") and doc.endswith("\n") and ":type trade_token: int, optional" in doc
    assert len(documented) == 2 * 507 + 127


BARE_TYPES = {"char *", "char (*)[9]", "int *", "long long *", "short *", "signed char *", "unsigned char *",
              "unsigned short *", "unsigned int *", "unsigned long long *", "enum nq::QuoteMCType *", "sockaddr *",
              "void *", "PyObject **", "std::invalid_argument *", "std::allocator< std::string > *", "size_type *",
              "difference_type *", "value_type *", "allocator_type *"}


def test_type_table_through_the_shared_capsule():
    rows = surface.type_table()
    assert len(rows) == 137
    assert sum(1 for _, _, has_class in rows if has_class) == 117
    assert {text.split("|")[-1] for _, text, has_class in rows if not has_class} == BARE_TYPES
    names = [name for name, _, _ in rows]
    assert names == sorted(names)
    assert {"_p_nq__TRVTradeApi", "_p_sze_dvs_lev2", "_p_unsigned_long_long", "_p_a_9__char"} <= set(names)


# ---- conversions of setters, by case -----------------------------------
def setter_cases():
    o = "trv_order_insert_info_t"
    return [
        # (record, field, value, exception, message or stored value)
        ("trv_msg_desc_t", "is_rebuild", 1, TypeError, "in method 'trv_msg_desc_t_is_rebuild_set', argument 2 of type 'bool'"),
        ("trv_msg_desc_t", "is_rebuild", True, None, True),
        ("trv_order_book_insert_t", "client_id", 256, OverflowError, None),
        ("trv_order_book_insert_t", "client_id", -1, OverflowError, None),
        ("trv_order_book_insert_t", "client_id", 1.0, TypeError, None),
        ("trv_order_book_insert_t", "client_id", True, None, 1),
        (o, "security_code", "600000", None, "600000"),
        (o, "security_code", "12345678", None, "12345678"),
        (o, "security_code", "123456789", TypeError,
         "in method 'trv_order_insert_info_t_security_code_set', argument 2 of type 'char [nq::CONST_STR_SECURITY_CODE_LEN]'"),
        (o, "security_code", b"600000", TypeError, None),
        (o, "security_code", "6\udcb0", TypeError, None),
        (o, "exchange_index", 257, None, 1),
        (o, "exchange_index", 2 ** 31, OverflowError, None),
        (o, "price", 2 ** 63 - 1, None, 2 ** 63 - 1),
        (o, "price", 2 ** 63, OverflowError, None),
        ("trv_order_response_t", "xid", 2 ** 64 - 1, None, 2 ** 64 - 1),
        ("trv_order_response_t", "xid", 2 ** 64, OverflowError, None),
        ("trv_order_response_t", "xid", -1, OverflowError, None),
    ]


@pytest.mark.parametrize("record,field,value,error,expect", setter_cases())
def test_setter_conversions(record, field, value, error, expect):
    rec = getattr(p, record)()
    if error is None:
        setattr(rec, field, value)
        assert getattr(rec, field) == expect
    else:
        with pytest.raises(error) as info:
            setattr(rec, field, value)
        if expect is not None:
            assert str(info.value) == expect


def test_char_and_character_enum_fields():
    rec = p.sse_dvs_bond_tick()
    for value, stored in (("A", "A"), ("", "\x00"), (65, "A")):
        rec.m_tick_type = value
        assert rec.m_tick_type == stored
    with pytest.raises(OverflowError):
        rec.m_tick_type = 200
    with pytest.raises(TypeError):
        rec.m_tick_type = "AB"
    resp = p.trv_order_response_t()
    resp.ord_status = ord(p.ORD_STATUS_NEW)
    assert resp.ord_status == 48


def test_texts_report_ids_and_security_codes():
    resp = p.trv_order_response_t()
    assert resp.report_id == bytes(32)
    resp.report_id = "R" * 31
    assert resp.report_id == b"R" * 31 + b"\x00"
    with pytest.raises(TypeError):
        resp.report_id = "R" * 32
    # a text byte that is not UTF-8 survives as a lone surrogate
    err = p.trv_error_info_t()
    ctypes.memmove(int(err.this) + 16, b"ab\xb0", 3)  # error_msg follows two 64-bit codes
    assert err.error_msg == "ab\udcb0"
    assert err.error_msg.encode("utf-8", "surrogateescape") == b"ab\xb0"
    # a security code is decoded strictly
    order = p.trv_order_insert_info_t()
    order.security_code = "600000"
    assert ctypes.string_at(int(order.this) + 24, 9) == b"600000\x00\x00\x00"
    ctypes.memmove(int(order.this) + 24, b"60\xb0", 3)
    with pytest.raises(UnicodeDecodeError):
        order.security_code


def test_cdata_and_memmove_keep_every_byte():
    rec = p.trv_error_info_t()
    ctypes.memmove(int(rec.this), bytes(range(250, 256)), 6)
    assert m.cdata(rec.this, 6).encode("utf-8", "surrogateescape") == bytes(range(250, 256))
    m.memmove(rec.this, "hi")
    assert ctypes.string_at(int(rec.this), 3) == b"hi\x00"
    assert m.cdata(None, 4) is None
    for text in ("", "hi"):  # nothing to write into
        with pytest.raises(TypeError, match="^in method 'memmove', argument 1 of type 'void \\*'$"):
            m.memmove(None, text)


def _agw_addrs():
    cfg = p.TRVTradeConfig()
    return cfg, cfg.agw_addrs()


@pytest.mark.parametrize("make,size", [
    (lambda: p.trv_sse_l1_index_t(), 114),                              # a record
    (lambda: p.trv_sse_l1_index_t().this, 114),                         # its wrapped object
    (lambda: p.trv_sse_l1_snapshot_t().bid_px, 5 * 8),                  # an array field
    (lambda: p.sze_dvs_lev2().m_head, 43),                              # an embedded record
    (lambda: p.sze_dvs_lev2().m_bid_unit, 10 * 12),                     # an array of price levels
    (lambda: p.sze_dvs_lev2().get_head(), 43),                          # a helper's copy
    (lambda: p.TRVTradeApi.get_last_error(), 8 + 8 + 256),              # a copy returned by value
    (lambda: p.QuoteMCTypeArray64(3), 3 * 2),                           # an array of channel types
    (lambda: p.QuoteMCTypeArray64(3).cast(), 3 * 2),
    (lambda: _agw_addrs()[1], 32 * 16),                                 # the 32 gateway slots
])
def test_raw_memory_stays_within_an_object_of_known_size(make, size):
    obj = make()
    assert len(m.cdata(obj, size)) == size
    m.memmove(obj, "x" * (size - 1))  # with its NUL: the whole object
    assert m.cdata(obj, size).encode("utf-8", "surrogateescape") == b"x" * (size - 1) + b"\x00"
    text = "^in method '%s', argument 2: %d bytes%s exceed the %d bytes of the object$"
    for count in (size + 1, 1 << 30, 2 ** 64 - 1):
        with pytest.raises(OverflowError, match=text % ("cdata", count, "", size)):
            m.cdata(obj, count)
    for length in (size, 100000):
        with pytest.raises(OverflowError, match=text % ("memmove", length + 1, " \\(the text and its NUL\\)", size)):
            m.memmove(obj, "A" * length)
    assert m.cdata(obj, size).encode("utf-8", "surrogateescape") == b"x" * (size - 1) + b"\x00"


def test_argument_count_and_overload_errors():
    with pytest.raises(TypeError, match="^TRVTradeApi_initialize expected 3 arguments, got 2$"):
        m.TRVTradeApi_initialize(None, None)
    with pytest.raises(TypeError) as info:
        m.TRVTradeApi_insert_order(None, 1, None, 0, 5)
    assert str(info.value) == (
        "TRVTradeApi_insert_order expected at most 4 arguments, got 5\nAdditional information:\n"
        "Wrong number or type of arguments for overloaded function 'TRVTradeApi_insert_order'.\n"
        "  Possible C/C++ prototypes are:\n"
        "    nq::TRVTradeApi::insert_order(uint64_t,nq::trv_order_insert_info_t *,uint64_t)\n"
        "    nq::TRVTradeApi::insert_order(uint64_t,nq::trv_order_insert_info_t *)\n")
    with pytest.raises(TypeError) as info:
        m.TRVTradeApi_insert_order(None, 1, p.trv_order_insert_info_t(), 1.5)
    assert str(info.value).startswith(
        "Wrong number or type of arguments for overloaded function 'TRVTradeApi_insert_order'.\n")
    with pytest.raises(TypeError, match="^TRVTradeApi_subscribe_trade_message expected 6 arguments, got 5$"):
        m.TRVTradeApi_subscribe_trade_message(None, 1, 2, 3, 4)
    with pytest.raises(TypeError) as info:
        m.TRVTradeApi_submit_cluster_fund_transfer_request(None, 1, 2, 3, 4, 5)
    assert str(info.value).startswith(
        "TRVTradeApi_submit_cluster_fund_transfer_request expected at most 5 arguments, got 6\nAdditional information:\n")
    assert str(info.value).count("nq::TRVTradeApi::submit_cluster_fund_transfer_request(") == 3


def test_configuration_conversions():
    cfg = p.TRVTradeConfig()
    assert (cfg.trading_day(), cfg.agw_count(), cfg.order_timeout(), cfg.is_order_seq_self_define()) == (0, 0, 10, False)
    cfg.set_order_timeout(30)
    assert cfg.order_timeout() == 30
    with pytest.raises(OverflowError, match="^in method 'TRVTradeConfig_set_order_timeout', argument 2 of type 'uint16_t'$"):
        cfg.set_order_timeout(65536)
    with pytest.raises(TypeError, match="^in method 'TRVTradeConfig_set_order_seq_self_define', argument 2 of type 'bool'$"):
        cfg.set_order_seq_self_define(1)
    cfg.set_order_seq_self_define(True)
    assert cfg.is_order_seq_self_define() is True
    with pytest.raises(TypeError):
        cfg.add_agw_addr(b"127.0.0.1", 6001)
    with pytest.raises(TypeError):
        cfg.add_agw_addr("127.0.0.\udcb0", 6001)
    assert cfg.add_agw_addr("127.0.0.1", 6001) is True
    assert cfg.agw_count() == 1
    priv = p.TRVPrivilegeConfig()
    assert m.TRVTradeConfig_order_timeout(priv) == 10


# ---- wrapped objects -------------------------------------------------------
def test_wrapped_object_comparisons_read_no_foreign_memory():
    rec = p.sze_dvs_lev2()
    a, b = rec.m_bid_unit, rec.m_bid_unit
    assert a is not b and a.this == b.this
    rec2 = p.trv_order_insert_info_t()
    raw1, raw2 = p.sze_dvs_lev2().m_bid_unit.this, rec2.this
    assert (raw1 == raw2) is False
    # comparing with objects that are not wrapped objects answers NotImplemented
    assert rec2.this.__eq__(5) is NotImplemented
    assert rec2.this.__eq__("a string long enough to be read as pointers") is NotImplemented
    assert (rec2.this == 5) is False and (rec2.this != object()) is True


def test_none_as_object_is_refused():
    with pytest.raises(TypeError, match="^in method 'trv_order_insert_info_t_price_get', argument 1 of type 'nq::trv_order_insert_info_t \\*'$"):
        m.trv_order_insert_info_t_price_get(None)
    with pytest.raises(TypeError):
        m.trv_order_insert_info_t_security_code_set(None, "600000")
    with pytest.raises(TypeError):
        m.TRVTradeConfig_trading_day(None)
    with pytest.raises(TypeError):
        m.TRVQuoteDecoder_get_next(None)
    with pytest.raises(TypeError):
        m.sze_dvs_lev2_get_symbol(None)


def test_embedded_record_and_array_setters_refuse_none():
    rec = p.sze_dvs_lev2()
    with pytest.raises(TypeError, match="^invalid null reference in variable 'm_head' of type 'sze_dvs_head'$"):
        rec.m_head = None
    with pytest.raises(TypeError, match=r"^invalid null reference in variable 'm_bid_unit' of type 'price_quantity_unit \[\(10\)\]'$"):
        rec.m_bid_unit = None


def test_views_keep_their_record_alive():
    rec = p.sze_dvs_lev2()
    rec.m_head.m_md_stream_id = 7
    this = rec.this
    alone = sys.getrefcount(this)
    head, levels, symbol = rec.m_head, rec.m_bid_unit, rec.m_head.m_symbol
    # head, levels and the second head view that symbol holds: each holds the record
    assert sys.getrefcount(this) == alone + 3
    del rec
    gc.collect()
    head.m_md_stream_id = 9
    levels.m_price = 12345
    assert head.m_md_stream_id == 9 and this.own()
    assert levels.m_price == 12345
    del head, levels, symbol
    gc.collect()
    assert sys.getrefcount(this) == alone - 1  # only this test's name holds it now


def test_array_setter_never_reads_past_a_shorter_source():
    target, source = p.sze_dvs_lev2(), p.sze_dvs_lev2()
    source.m_bid_unit.m_price = 5
    target.m_bid_unit = source.m_bid_unit  # ten levels from ten levels
    assert target.get_bid_unit(0).m_price == 5
    one_level = p.price_quantity_unit()
    with pytest.raises(TypeError, match="^in variable 'm_bid_unit': the source holds fewer elements than the field$"):
        target.m_bid_unit = one_level
    ibr = p.sze_dvs_ibr_tree()  # five levels
    with pytest.raises(TypeError):
        target.m_bid_unit = ibr.m_bid_unit
    ibr.m_bid_unit = target.m_bid_unit  # more than needed is fine


def test_channel_type_array_is_bounded_by_its_length():
    arr = p.QuoteMCTypeArray64(2)
    arr[1] = p.DVS_SZSE_L2_BOND_TICK
    assert arr[1] == 110
    for bad in (2, 64):
        with pytest.raises(IndexError):
            arr[bad]
        with pytest.raises(IndexError):
            arr[bad] = 1
    plan = p.quote_thread_t()
    assert plan.cpu_affinity == -1
    with pytest.raises(TypeError):
        plan.mc_types = arr.cast()  # two elements for a field of 64
    full = p.QuoteMCTypeArray64(64)
    full[0] = p.TRV_SSE_L1
    plan.mc_types = full.cast()
    view = p.QuoteMCTypeArray64.frompointer(plan.mc_types)
    assert view[0] == 1 and view[63] == 0
    with pytest.raises(IndexError):
        view[64]
    with pytest.raises(IndexError):  # no element at all
        p.QuoteMCTypeArray64(0)[0]
    # A view of another array is as long as the bytes it shows.
    five = p.QuoteMCTypeArray64.frompointer(p.QuoteMCTypeArray64(5).cast())
    assert five[4] == 0
    with pytest.raises(IndexError):
        five[5]


def test_leak_line_for_a_released_socket_address(run_script):
    out = run_script("""
        import gc, py_trv_api as p
        cfg = p.TRVTradeConfig()
        cfg.set_local_addr("127.0.0.1", "127.0.0.1")
        addr = cfg.get_local_addr(0)
        print(repr(addr).startswith("<Swig Object of type 'sockaddr *' at 0x"), flush=True)
        del addr
        gc.collect()
    """)
    assert out.returncode == 0, out.stderr
    assert out.stdout.splitlines() == ["True",
                                       "swig/python detected a memory leak of type 'sockaddr *', no destructor found."]
