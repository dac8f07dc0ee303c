"""Result lists: library lists read from Python, and lists implemented in Python."""
import gc
import sys

import pytest

import _py_trv_api as m
import _trv_py_driver as driver
import py_trv_api as p


def test_library_list_in_a_callback():
    seen = []

    class Spi(p.TRVTradeSpi):
        def on_query_orders(self, session_id, request_id, orders, is_last, error_info):
            if orders is None:
                seen.append(("none", is_last, error_info.error_msg))
                return
            count = orders.data_count()
            seen.append(("rows", count, [orders.get(i).xid for i in range(count)],
                         orders.get(True).security_code))
            for bad in (count, -1, 2 ** 31 - 1):
                with pytest.raises(IndexError):
                    orders.get(bad)
            with pytest.raises(OverflowError, match="^in method 'TRVOrderList_get', argument 2 of type 'int'$"):
                orders.get(2 ** 31)
            with pytest.raises(TypeError, match="^in method 'TRVOrderList_get', argument 2 of type 'int'$"):
                orders.get(1.0)
            with pytest.raises(TypeError, match="^TRVOrderList_get expected 2 arguments, got 1$"):
                m.TRVOrderList_get(orders)
            seen.append("checked")

    spi = Spi()
    driver.fire("trade", int(spi.this), "query_orders")
    driver.fire("trade", int(spi.this), "query_orders_failed")
    assert seen == [("rows", 3, [1000, 1001, 1002], "600000"), "checked", ("none", True, "timeout")]


class Orders(p.TRVOrderList):
    def __init__(self, rows):
        super().__init__()
        self.rows = rows

    def data_count(self):
        return len(self.rows)

    def get(self, i):
        return self.rows[i]


def second_object(list_object):
    """Another Python object on the same bridge, so the bridge's own methods run."""
    other = p.TRVOrderList.__new__(p.TRVOrderList)
    other.this = list_object.this
    return other


def test_list_class_itself_cannot_be_made():
    with pytest.raises(RuntimeError, match="^accessing abstract class or protected constructor$"):
        p.TRVOrderList()


def test_pure_virtual_guard_and_type_mismatches():
    class OnlyGet(p.TRVOrderList):
        def get(self, i):
            return None

    only = OnlyGet()
    assert only.get(0) is None
    with pytest.raises(RuntimeError, match="^SWIG director pure virtual method called nq::TRVOrderList::data_count$"):
        m.TRVOrderList_data_count(only)
    for result, error in ((-1, OverflowError), ("3", TypeError)):
        lst = Orders([])
        lst.data_count = lambda result=result: result
        with pytest.raises(error, match="^SWIG director type mismatch in output value of type 'size_t'$"):
            m.TRVOrderList_data_count(second_object(lst))
    lst = Orders([])
    lst.data_count = lambda: True
    assert m.TRVOrderList_data_count(second_object(lst)) == 1
    wrong = Orders([p.trv_asset_info_t()])
    with pytest.raises(TypeError, match="^SWIG director type mismatch in output value of type 'nq::trv_order_info_t const \\*'$"):
        m.TRVOrderList_get(second_object(wrong), 0)
    failing = Orders([])
    failing.get = lambda i: 1 / 0
    with pytest.raises(ZeroDivisionError):
        m.TRVOrderList_get(second_object(failing), 0)


def test_python_list_records_are_never_freed_under_their_holders():
    kept = p.trv_order_info_t()
    kept.xid = 5
    lst = Orders([kept, None])
    other = second_object(lst)
    element = m.TRVOrderList_get(other, 0)
    assert element.xid == 5 and element.this == kept.this
    assert m.TRVOrderList_get(other, 1) is None
    del element
    gc.collect()
    assert kept.xid == 5  # still the list's, still allocated

    class Fresh(p.TRVOrderList):
        def data_count(self):
            return 1

        def get(self, i):
            rec = p.trv_order_info_t()
            rec.xid = 77
            return rec

    fresh = Fresh()
    element = m.TRVOrderList_get(second_object(fresh), 0)
    gc.collect()
    assert element.xid == 77  # the record made by get lives as long as the element


def test_none_list_is_refused():
    with pytest.raises(TypeError, match="^in method 'TRVOrderList_data_count', argument 1 of type 'nq::TRVOrderList const \\*'$"):
        m.TRVOrderList_data_count(None)
    with pytest.raises(TypeError):
        m.TRVOrderList_get(None, 0)


def test_disown_list_takes_one_reference():
    lst = Orders([])
    before = sys.getrefcount(lst)
    m.disown_TRVOrderList(lst)
    m.disown_TRVOrderList(lst)
    assert sys.getrefcount(lst) == before + 1


def test_account_index_list_elements_are_bare_pointers():
    class Indexes(p.TRVAccountIndexList):
        def data_count(self):
            return 0

        def get(self, i):
            return None

    lst = Indexes()
    other = p.TRVAccountIndexList.__new__(p.TRVAccountIndexList)
    other.this = lst.this
    assert m.TRVAccountIndexList_get(other, 0) is None
    assert m.TRVAccountIndexList_data_count(other) == 0
