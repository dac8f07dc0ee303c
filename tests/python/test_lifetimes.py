"""What Python keeps past the life of the native memory it points into:
callback arguments after the up-call returned, decoders and their items,
records after an explicit delete. The driver's lists and records live on its
thread's stack and heap and are gone when the call returns, so a read through
a stale pointer is a use-after-free under AddressSanitizer."""
import gc
import sys

import pytest

import _py_trv_api as m
import _trv_py_driver as driver
import py_trv_api as p


def returned(name, own=True):
    return "^%s object used after the callback that received %s returned$" % (name, "it" if own else "its data")


def test_rows_and_records_kept_past_the_callback_are_copies_and_the_list_refuses_use():
    kept = {}

    class Spi(p.TRVTradeSpi):
        def on_query_orders(self, session_id, request_id, orders, is_last, error_info):
            kept["list"] = orders
            kept["rows"] = [orders.get(i) for i in range(orders.data_count())]
            orders.get(0)  # a row not kept

        def on_login(self, session_id, request_id, error_info):
            kept["error"] = error_info

        def on_query_orders_by_page(self, session_id, request_id, orders, req_count, rsp_count, reference,
                                    is_last, error_info):
            kept["positions"] = reference.positions  # a view, without its record

    spi = Spi()
    driver.fire("trade", int(spi.this), "query_orders")
    driver.fire("trade", int(spi.this), "login_error")
    driver.fire("trade", int(spi.this), "orders_by_page")
    gc.collect()
    for use in (lambda lst: lst.data_count(), lambda lst: lst.get(0), len, list):
        with pytest.raises(ReferenceError, match=returned("TRVOrderList")):
            use(kept["list"])
    rows = kept["rows"]
    assert [(r.xid, r.security_code, r.this.own()) for r in rows] == [(1000 + i, "600000", True) for i in range(3)]
    assert (kept["error"].error_code_type, kept["error"].error_msg) == (311, "timeout")
    assert m.cdata(kept["positions"], 4).encode("utf-8", "surrogateescape") == (42).to_bytes(4, "little")


def test_a_record_held_through_its_wrapped_object_is_copied():
    seen = []

    class Spi(p.TRVTradeSpi):
        def on_login(self, session_id, request_id, error_info):
            seen.append(error_info.this)  # the wrapped object, not the record

    spi = Spi()
    driver.fire("trade", int(spi.this), "login_error")
    assert seen[0].own()


def test_market_data_payload_and_what_reads_it_refuse_use_after_the_callback():
    kept = {}

    class Quotes(p.TRVQuoteSpi):
        def on_quote(self, mc_type, msg_data, msg_len):
            kept["data"] = msg_data
            kept["decoder"] = p.TRVQuoteDecoder(mc_type, msg_data, msg_len)

    spi = Quotes()
    driver.fire("quote", int(spi.this), "quote", 2)
    with pytest.raises(ReferenceError, match=returned("void \\*")):
        m.cdata(kept["data"], 4)
    with pytest.raises(ReferenceError, match=returned("TRVQuoteDecoder", own=False)):
        kept["decoder"].get_next()
    # the decoder's own memory is still released, without an error
    seen = []
    saved, sys.unraisablehook = sys.unraisablehook, seen.append
    try:
        kept.clear()
        gc.collect()
    finally:
        sys.unraisablehook = saved
    assert seen == []


def test_up_calls_from_four_threads_each_finish_their_own_arguments():
    kept = []

    class Spi(p.TRVTradeSpi):
        def on_query_orders(self, session_id, request_id, orders, is_last, error_info):
            kept.append((orders, orders.get(2)))

    spi = Spi()
    driver.fire("trade", int(spi.this), "query_orders", 4)
    assert len(kept) == 4
    for orders, row in kept:
        assert row.xid == 1002
        with pytest.raises(ReferenceError):
            orders.get(0)


def test_decoders_hold_their_packet_and_items_hold_their_decoder():
    packet = p.QuoteMCTypeArray64(200)  # 400 zero bytes: level-1 index records (type 0)
    decoder = p.TRVQuoteDecoder(p.TRV_SSE_L1, packet, 400)
    del packet
    gc.collect()
    item = decoder.get_next()
    del decoder
    gc.collect()
    assert item.data_type == p.SSE_L1_INDEX
    index = item.data.sse_l1_index
    del item
    gc.collect()
    assert index.get_security_code() == ""


def test_explicit_delete_leaves_objects_that_refuse_use():
    rec = p.sze_dvs_lev2()
    head, levels = rec.m_head, rec.m_bid_unit
    m.delete_sze_dvs_lev2(rec)
    with pytest.raises(ReferenceError, match="^sze_dvs_lev2 object used after it was deleted$"):
        rec.m_head
    with pytest.raises(ReferenceError, match="^sze_dvs_lev2 object used after it was deleted$"):
        m.delete_sze_dvs_lev2(rec)
    with pytest.raises(ReferenceError, match="^sze_dvs_head object used after the record it lies in was deleted$"):
        head.m_md_stream_id = 1
    with pytest.raises(ReferenceError, match="^price_quantity_unit object used after the record it lies in was deleted$"):
        levels.m_price
    packet = p.QuoteMCTypeArray64(200)
    decoder = p.TRVQuoteDecoder(p.TRV_SSE_L1, packet, 400)
    item = decoder.get_next()
    m.delete_TRVQuoteDecoder(decoder)
    with pytest.raises(ReferenceError, match="^TRVQuoteItem object used after the record it lies in was deleted$"):
        item.data_type
    del rec, head, levels, decoder, item
    gc.collect()  # releasing deleted objects frees nothing twice
