"""Record helpers of market-data records and the decoders."""
import ctypes
import gc

import pytest

import _py_trv_api as m
import py_trv_api as p


def test_price_levels_are_copies_with_checked_indexes():
    rec = p.sze_dvs_lev2()
    first = rec.get_bid_unit(0)
    first.m_price = 1
    assert rec.get_bid_unit(0).m_price == 0  # a copy, not a view
    for bad in (10, -1):
        with pytest.raises(IndexError, match="^index out of range$"):
            rec.get_bid_unit(bad)
        with pytest.raises(IndexError, match="^index out of range$"):
            rec.get_ask_unit(bad)
    with pytest.raises(TypeError, match="^in method 'sze_dvs_lev2_get_bid_unit', argument 2 of type 'int'$"):
        rec.get_bid_unit(1.0)
    assert type(rec.get_bid_unit(9)) is p.price_quantity_unit and rec.get_bid_unit(9).this.own()
    assert type(p.sse_dvs_lev2().get_ask_unit(0)) is p.sse_lev2_price_quantity_unit
    assert type(p.sse_dvs_bond_snap().get_ask_unit(0)) is p.sse_lev2_bond_price_quantity_unit


def test_tenth_level_and_header_copies_outlive_the_record():
    rec = p.sze_dvs_lev2()
    base = int(rec.m_bid_unit.this)
    ask = int(rec.m_ask_unit.this)
    unit_size = (ask - base) // 10
    ctypes.c_int64.from_address(base + 9 * unit_size).value = 12345
    assert rec.get_bid_unit(9).m_price == 12345
    rec.m_head.m_md_stream_id = 42
    head = rec.get_head()
    del rec
    gc.collect()
    assert head.m_md_stream_id == 42 and head.this.own()
    assert type(p.sse_dvs_idx().get_head()) is p.sse_dvs_head


def test_symbols_stop_at_nul_or_width():
    head = p.sze_dvs_head()
    ctypes.memmove(int(head.m_symbol), b"ABCDEFGHI", 9)  # nine characters, no NUL
    head.m_md_stream_id = 0x41414141  # non-zero bytes right after the field
    assert head.get_symbol() == "ABCDEFGHI"
    lev2 = p.sze_dvs_lev2()
    lev2.m_head = head
    assert lev2.get_symbol() == "ABCDEFGHI"
    merge = p.sse_dvs_tick_merge()
    merge.m_symbol = "600000"
    merge.m_tick_time = 0xFFFFFFFF
    assert merge.get_symbol() == "600000"
    assert merge.get_tick_type() == "\x00"
    merge.m_tick_type = "A"
    assert merge.get_tick_type() == "A"
    ctypes.memmove(int(merge.this) + 4 + 4 + 1 + 8 + 2 + 2, b"\xb0" * 9, 9)
    assert merge.get_symbol() == "\udcb0" * 9
    assert p.sze_dvs_order().get_symbol() == ""


def test_level1_books_and_texts():
    sse = p.trv_sse_l1_snapshot_t()
    ctypes.c_uint64.from_address(int(sse.bid_px)).value = 2 ** 63 + 5
    assert sse.get_bid_px(0) == 2 ** 63 + 5
    sse.security_code = "600000"
    assert sse.get_security_code() == "600000"
    szse = p.trv_szse_l1_snapshot_t()
    ctypes.c_int64.from_address(int(szse.offer_volume) + 4 * 8).value = -5
    assert szse.get_offer_volume(4) == -5
    cases = [(szse.get_offer_px, "offer_px"), (szse.get_bid_px, "bid_px"), (szse.get_bid_volume, "bid_volume"),
             (sse.get_offer_volume, "offer_volume")]
    for helper, name in cases:
        for bad in (5, -1):
            with pytest.raises(IndexError, match=r"^%s index out of range \(0-4\)$" % name):
                helper(bad)
    bond = p.trv_szse_l1_snapshot_bond_t()
    ctypes.memmove(int(bond.sub_trading_phase_code) + 5 * 9, b"T1", 2)
    assert bond.get_sub_trading_phase_code(5) == "T1"
    with pytest.raises(IndexError, match=r"^sub_trading_phase_code index out of range \(0-5\)$"):
        bond.get_sub_trading_phase_code(6)
    static = p.trv_static_quote_full_info_t()
    static.security_name = "Name"
    assert (static.get_security_name(), static.get_security_status()) == ("Name", "")


def test_helpers_refuse_none():
    with pytest.raises(TypeError, match="^in method 'trv_sse_l1_snapshot_t_get_bid_px', argument 1 of type 'nq::trv_sse_l1_snapshot_t \\*'$"):
        m.trv_sse_l1_snapshot_t_get_bid_px(None, 0)


def test_decoders_over_no_payload():
    for cls in (p.TRVQuoteDecoder, p.MQRQuoteDecoder):
        decoder = cls(p.TRV_SSE_L1, None, 0)
        assert decoder.get_next() is None
    item = p.TRVQuoteItem()
    assert item.data.sse_l1_index is None
    snap = p.trv_sse_l1_index_t()
    item.data.sse_l1_index = snap
    assert item.data.sse_l1_index.this == snap.this and not snap.this.own()
    item.data.sse_l1_index = None
    assert item.data.sse_l1_index is None


@pytest.mark.parametrize("cls,mc_type", [(p.TRVQuoteDecoder, p.TRV_SSE_L1), (p.MQRQuoteDecoder, p.DVS_SSE_L2_STOCK_TICK)])
def test_decoders_read_no_further_than_their_packet(cls, mc_type):
    index = p.trv_sse_l1_index_t()  # 114 bytes
    for length in (115, 440, 0xFFFFFFFF):
        with pytest.raises(OverflowError, match="^in method 'new_%s', argument 3: %d bytes exceed the 114 bytes of "
                                                "the object$" % (cls.__name__, length)):
            cls(mc_type, index, length)
    decoder = cls(mc_type, index, 114)
    while decoder.get_next() is not None:
        pass
    # a packet that is an array field: as long as the array
    snapshot = p.trv_sse_l1_snapshot_t()
    cls(mc_type, snapshot.bid_px, 40)
    with pytest.raises(OverflowError):
        cls(mc_type, snapshot.bid_px, 41)
