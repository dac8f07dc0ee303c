"""What the companion module adds for Python users: unknown attributes refused
on records and configurations, records that print their fields, result lists
with len(), iteration and indexing."""
import pytest

import _trv_py_driver as driver
import py_trv_api as p


@pytest.mark.parametrize("make,name", [
    (p.trv_order_insert_info_t, "prise"),
    (p.sze_dvs_lev2, "m_head_"),
    (p.TRVQuoteItem, "dat"),
    (p.TRVTradeConfig, "trading_day"),  # a method, not a field
    (p.TRVPrivilegeConfig, "timeout"),
    (p.TRVQuoteConfig, "use_level_2"),
])
def test_unknown_attributes_are_refused(make, name):
    obj = make()
    with pytest.raises(AttributeError, match="^'%s' object has no attribute '%s'$" % (type(obj).__name__, name)):
        setattr(obj, name, 1)
    assert name not in vars(obj)


def test_fields_this_and_subclasses_still_set():
    order = p.trv_order_insert_info_t()
    order.price = 100
    order.thisown = order.thisown
    assert order.price == 100

    class Mine(p.trv_order_insert_info_t):
        pass

    mine = Mine()
    mine.note = "a subclass of the program's own may add attributes"
    assert mine.note.startswith("a subclass")
    spi = p.TRVTradeSpi()
    spi.anything = 1  # callback objects are the program's to extend


def test_records_print_their_fields():
    order = p.trv_order_insert_info_t()
    order.security_code, order.price, order.quantity = "600000", 100500, 200
    text = repr(order)
    assert text.startswith("trv_order_insert_info_t(") and text.endswith(")")
    assert "security_code='600000'" in text and "price=100500" in text and "quantity=200" in text
    lev2 = repr(p.sze_dvs_lev2())
    assert "m_head=<sze_dvs_head>" in lev2 and "m_bid_unit=<price_quantity_unit>" in lev2
    assert "report_id=b'\\x00" in repr(p.trv_order_response_t())
    assert repr(p.TRVTradeConfig()).startswith("<py_trv_api.TRVTradeConfig; proxy of <Swig Object")


class Orders(p.TRVOrderList):
    def __init__(self, xids):
        super().__init__()
        self.rows = []
        for xid in xids:
            row = p.trv_order_info_t()
            row.xid = xid
            self.rows.append(row)

    def data_count(self):
        return len(self.rows)

    def get(self, i):
        return self.rows[i]


def test_lists_have_len_iteration_and_indexing():
    orders = Orders([5, 6, 7])
    assert len(orders) == 3 and [r.xid for r in orders] == [5, 6, 7]
    assert orders[0].xid == 5 and orders[-1].xid == 7 and [r.xid for r in orders[1:]] == [6, 7]
    for bad in (3, -4):
        with pytest.raises(IndexError, match="^list index out of range$"):
            orders[bad]
    with pytest.raises(TypeError, match="^list indices must be integers or slices, not str$"):
        orders["0"]
    assert not Orders([])


def test_library_lists_in_a_callback():
    seen = []

    class Spi(p.TRVTradeSpi):
        def on_query_orders(self, session_id, request_id, orders, is_last, error_info):
            seen.append((len(orders), [r.xid for r in orders], orders[-1].xid, [r.xid for r in orders[::2]]))

    spi = Spi()
    driver.fire("trade", int(spi.this), "query_orders")
    assert seen == [(3, [1000, 1001, 1002], 1002, [1000, 1002])]
