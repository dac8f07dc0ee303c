"""Callback classes: up-calls from native threads, base methods, ownership."""
import contextlib
import gc
import sys
import threading
import weakref

import pytest

import _py_trv_api as m
import _trv_py_driver as driver
import py_trv_api as p


class Recorder(p.TRVTradeSpi):
    def __init__(self):
        super().__init__()
        self.calls = []

    def on_login(self, session_id, request_id, error_info):
        self.calls.append(("on_login", session_id, request_id,
                           None if error_info is None else (error_info.error_code_type, error_info.error_msg)))

    def on_disconnect(self, session_id):
        self.calls.append(("on_disconnect", session_id))

    def on_raw_report(self, session_id, msg_desc, client_id, xid, report_id, exchange_index, platform_type,
                      gateway_index, report_size, raw_report):
        self.calls.append(("on_raw_report", client_id, xid, report_id, exchange_index, platform_type,
                           gateway_index, report_size, raw_report))


@contextlib.contextmanager
def unraisable():
    seen = []
    saved = sys.unraisablehook
    sys.unraisablehook = lambda u: seen.append((u.exc_type, str(u.exc_value), u.object))
    try:
        yield seen
    finally:
        sys.unraisablehook = saved


def fire(spi, scenario, threads=1, kind="trade"):
    driver.fire(kind, int(spi.this), scenario, threads)


def test_up_calls_from_native_threads_convert_their_arguments():
    spi = Recorder()
    fire(spi, "login_ok", threads=4)
    fire(spi, "login_error")
    fire(spi, "disconnect_max")
    assert spi.calls.count(("on_login", 7, 8, None)) == 4
    assert ("on_login", 0, 8, (311, "timeout")) in spi.calls
    assert ("on_disconnect", 18446744073709551615) in spi.calls


def test_raw_report_arrives_as_bytes():
    spi = Recorder()
    fire(spi, "raw_report")
    fire(spi, "raw_report_empty")
    first, empty = spi.calls
    assert first == ("on_raw_report", 5, 99, b"R1" + bytes(30), p.ExchangeIndex_SZ, 3, 4, 8, b"ab\x00cd\x00\x00e")
    assert empty[3] == bytes(32) and empty[7:] == (0, None)


def test_callbacks_not_overridden_do_nothing():
    spi = Recorder()
    fire(spi, "order_timeout")
    fire(spi, "query_orders")
    assert spi.calls == []
    plain = p.TRVTradeSpi()  # no bridge: the library's empty defaults
    fire(plain, "login_ok")
    fire(plain, "raw_report")


def test_python_exception_on_a_library_thread_is_reported_not_fatal():
    class Failing(p.TRVTradeSpi):
        def on_order_timeout(self, session_id, xid):
            raise ValueError("boom")

    spi = Failing()
    with unraisable() as seen:
        fire(spi, "order_timeout", threads=3)
    assert seen == [(ValueError, "boom", "Error detected when calling 'TRVTradeSpi.on_order_timeout'")] * 3

    class FailingPrivilege(p.TRVPrivilegeSpi):
        def on_login(self, *args):
            raise KeyError("k")

    with unraisable() as seen:
        fire(FailingPrivilege(), "login_ok")
    assert seen == [(KeyError, "'k'", "Error detected when calling 'TRVPrivilegeSpi.on_login'")]


def test_base_methods():
    spi = Recorder()
    # an override calling its inherited method: nothing happens
    assert m.TRVTradeSpi_on_order_timeout(spi, 1, 2) is None
    # a second Python object on the same bridge: the bridge's object is called,
    # and its exception reaches the caller unchanged
    class Failing(p.TRVTradeSpi):
        def on_order_timeout(self, session_id, xid):
            raise ValueError("boom")

    failing = Failing()
    other = p.TRVTradeSpi.__new__(p.TRVTradeSpi)
    other.this = failing.this
    with pytest.raises(ValueError, match="^boom$"):
        m.TRVTradeSpi_on_order_timeout(other, 1, 2)
    proxy = p.TRVTradeSpi.__new__(p.TRVTradeSpi)
    proxy.this = spi.this
    m.TRVTradeSpi_on_login(proxy, 1, 2, None)
    assert spi.calls == [("on_login", 1, 2, None)]


@pytest.mark.parametrize("call,error,text", [
    (lambda s: m.TRVTradeSpi_on_login(s, 1, 2), TypeError, "TRVTradeSpi_on_login expected 4 arguments, got 3"),
    (lambda s: m.TRVTradeSpi_on_login(None, 1, 2, None), TypeError,
     "in method 'TRVTradeSpi_on_login', argument 1 of type 'nq::TRVTradeSpi *'"),
    (lambda s: m.TRVTradeSpi_on_login(s, -1, 2, None), OverflowError,
     "in method 'TRVTradeSpi_on_login', argument 2 of type 'uint64_t'"),
    (lambda s: m.TRVTradeSpi_on_query_orders(s, 1, 2, None, 1, None), TypeError,
     "in method 'TRVTradeSpi_on_query_orders', argument 5 of type 'bool'"),
    (lambda s: m.TRVPrivilegeSpi_on_token(s, 1, None, None), TypeError,
     "in method 'TRVPrivilegeSpi_on_token', argument 1 of type 'nq::TRVPrivilegeSpi *'"),
    (lambda s: m.TRVTradeSpi_on_raw_report(s, 1, None, 1, 2, bytes(32), 1, 2, 3, 0, None), TypeError,
     "in method 'TRVTradeSpi_on_raw_report', argument 6 of type 'char [32]'"),
    (lambda s: m.TRVTradeSpi_on_raw_report(s, 1, None, 1, 2, "R", 1, 2, 3, 64, "short"), OverflowError,
     "in method 'TRVTradeSpi_on_raw_report', argument 10: report_size exceeds the length of raw_report"),
    (lambda s: m.TRVQuoteSpi_on_quote(p.TRVQuoteSpi(), 1, p.trv_sse_l1_index_t(), 115), OverflowError,
     "in method 'TRVQuoteSpi_on_quote', argument 4: 115 bytes exceed the 114 bytes of the object"),
])
def test_base_method_argument_errors(call, error, text):
    spi = Recorder()
    with pytest.raises(error) as info:
        call(spi)
    if text:
        assert str(info.value) == text
    assert spi.calls == []


def test_base_method_forwards_a_raw_report_within_its_text():
    spi = Recorder()
    proxy = p.TRVTradeSpi.__new__(p.TRVTradeSpi)
    proxy.this = spi.this
    m.TRVTradeSpi_on_raw_report(proxy, 1, None, 1, 2, "R" * 31, 1, 2, 3, 4, "abcd")
    assert spi.calls[0][3] == b"R" * 31 + b"\x00" and spi.calls[0][-1] == b"abcd"
    assert m.TRVTradeSpi_on_login(p.TRVPrivilegeSpi(), 1, 2, None) is None


def test_method_added_later_is_called():
    spi = Recorder()
    spi.on_order_timeout = lambda session_id, xid: spi.calls.append(("late", session_id, xid))
    fire(spi, "order_timeout")
    assert spi.calls == [("late", 1, 2)]


def test_disown_holds_one_reference():
    spi = Recorder()
    before = sys.getrefcount(spi)
    m.disown_TRVTradeSpi(spi)
    m.disown_TRVTradeSpi(spi)
    assert sys.getrefcount(spi) == before + 1
    alive = weakref.ref(spi)
    del spi
    gc.collect()
    assert alive() is not None  # the bridge keeps it for the library
    plain = p.TRVTradeSpi()
    m.disown_TRVTradeSpi(plain)  # nothing to hold


def test_quote_callback_gets_an_opaque_payload():
    got = []

    class Quotes(p.TRVQuoteSpi):
        def on_quote(self, mc_type, msg_data, msg_len):
            got.append((mc_type, m.cdata(msg_data, msg_len).encode("utf-8", "surrogateescape"),
                        repr(msg_data).startswith("<Swig Object of type 'void *' at 0x")))

    spi = Quotes()
    driver.fire("quote", int(spi.this), "quote", 2)
    assert got == [(p.TRV_SSE_L1, b"\x01\x02\xb0\x04", True)] * 2


def test_quote_payload_is_read_no_further_than_its_length():
    refused = []

    class Quotes(p.TRVQuoteSpi):
        def on_quote(self, mc_type, msg_data, msg_len):
            for read in (lambda: m.cdata(msg_data, msg_len + 1), lambda: m.memmove(msg_data, "abcd"),
                         lambda: p.TRVQuoteDecoder(mc_type, msg_data, msg_len + 1),
                         lambda: p.MQRQuoteDecoder(mc_type, msg_data, 1 << 20)):
                try:
                    read()
                except OverflowError as e:
                    refused.append(str(e))
            p.TRVQuoteDecoder(mc_type, msg_data, msg_len).get_next()

    spi = Quotes()
    driver.fire("quote", int(spi.this), "quote")
    assert refused == [
        "in method 'cdata', argument 2: 5 bytes exceed the 4 bytes of the object",
        "in method 'memmove', argument 2: 5 bytes (the text and its NUL) exceed the 4 bytes of the object",
        "in method 'new_TRVQuoteDecoder', argument 3: 5 bytes exceed the 4 bytes of the object",
        "in method 'new_MQRQuoteDecoder', argument 3: 1048576 bytes exceed the 4 bytes of the object",
    ]


def test_a_library_thread_keeps_one_thread_state_for_its_life():
    local = threading.local()  # per thread state: lost if each up-call made a new one
    counts, ended = [], []

    class Token:
        pass

    class Spi(p.TRVTradeSpi):
        def on_disconnect(self, session_id):
            if not hasattr(local, "count"):
                local.count = 0
                local.token = Token()
                weakref.finalize(local.token, ended.append, threading.get_ident())
            local.count += 1
            if session_id == 999:
                counts.append(local.count)

    spi = Spi()
    driver.upcalls(int(spi.this), 3, 1000)
    gc.collect()
    assert counts == [1000, 1000, 1000]
    # the threads have ended: their thread states, and what they held, are gone
    assert len(ended) == 3


def test_a_callback_waiting_with_the_lock_released_does_not_hold_up_other_library_threads():
    # The first up-call waits (the interpreter lock released) for the others:
    # they must get in, as they would under the interpreter lock alone.
    arrived, lock, everyone = [], threading.Lock(), threading.Event()
    waited = []

    class Spi(p.TRVTradeSpi):
        def on_disconnect(self, session_id):
            with lock:
                arrived.append(threading.get_ident())
                first = len(arrived) == 1
                if len(arrived) == 3:
                    everyone.set()
            if first:
                waited.append(everyone.wait(20))

    spi = Spi()
    driver.upcalls(int(spi.this), 3, 1)
    assert waited == [True] and len(set(arrived)) == 3
    # and the gate works again afterwards: many up-calls from four threads
    count = []
    Spi.on_disconnect = lambda self, session_id: count.append(session_id)
    driver.upcalls(int(spi.this), 4, 2000)
    assert len(count) == 8000 and sorted(count) == sorted(list(range(2000)) * 4)
