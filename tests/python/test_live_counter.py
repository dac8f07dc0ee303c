"""A Python trading session against the stand-in counter: callbacks arrive on
the library's own threads."""
import os
import subprocess
import time

import pytest

COUNTER = os.environ.get("TRV_COUNTER")


@pytest.fixture
def counter(tmp_path):
    if not COUNTER:
        pytest.skip("TRV_COUNTER names no stand-in counter program")
    port_file = tmp_path / "port.txt"
    proc = subprocess.Popen([COUNTER, "--account", "alice:normal", "--port-file", str(port_file),
                             "--time-limit", "120"], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    try:
        deadline = time.monotonic() + 30
        while not (port_file.exists() and port_file.read_text().strip()):
            assert proc.poll() is None, proc.stderr.read()
            assert time.monotonic() < deadline, "counter did not start"
            time.sleep(0.05)
        yield int(port_file.read_text())
    finally:
        proc.terminate()
        proc.wait(timeout=30)


def test_login_query_and_order_reports(counter, run_script):
    out = run_script("""
        import queue, threading, py_trv_api as p
        events = queue.Queue()
        main = threading.get_ident()

        class Spi(p.TRVTradeSpi):
            def on_login(self, session_id, request_id, error_info):
                events.put(("login", session_id, request_id, error_info, threading.get_ident() != main))

            def on_subscribe_trade_message(self, session_id, request_id, start, latest, error_info):
                events.put(("subscribed", request_id, error_info))

            def on_query_assets(self, session_id, request_id, assets, is_last, error_info):
                rows = [assets.get(i) for i in range(assets.data_count())] if assets else None
                try:
                    assets.get(assets.data_count())
                    index_error = False
                except IndexError:
                    index_error = True
                events.put(("assets", request_id, len(rows), all(type(r) is p.trv_asset_info_t for r in rows),
                            is_last, index_error))

            def on_order_response(self, session_id, msg_desc, response):
                events.put(("order_response", response.xid, response.report_id))

            def on_trade_report(self, session_id, msg_desc, report):
                events.put(("trade_report", report.xid, report.report_id))

        def next_event(kind):
            while True:
                event = events.get(timeout=30)
                if event[0] == kind:
                    return event

        cfg = p.TRVTradeConfig()
        assert cfg.set_local_addr("127.0.0.1", "127.0.0.1") and cfg.add_agw_addr("127.0.0.1", %d)
        api = p.TRVTradeApi.create()
        assert api.initialize(cfg, Spi())  # the module holds the callback object
        assert api.login(1, 7, "alice", "secret", "")
        _, session, request, error, on_library_thread = next_event("login")
        print("login", session != 0, request, error, on_library_thread)
        assert api.subscribe_trade_message(session, 2, p.REPORT, p.TradeResumeType_QUICK, 0)
        print(next_event("subscribed"))
        assert api.query_assets(session, 3)
        print(next_event("assets")[1:])
        order = p.trv_order_insert_info_t()
        order.security_code = "600000"
        order.exchange_index, order.side = p.ExchangeIndex_SH, p.Side_BUY
        order.order_type, order.business_type = p.OrderType_LIMIT_PRICE, p.BusinessType_CASH
        order.price, order.quantity = 100000, 100
        xid = api.insert_order(session, order)
        assert xid != 0, p.TRVTradeApi.get_last_error().error_msg
        _, answered, report_id = next_event("order_response")
        print("order_response", answered == xid, type(report_id).__name__, len(report_id))
        _, traded, report_id = next_event("trade_report")
        print("trade_report", traded == xid, len(report_id))
        api.stop()
    """ % counter)
    assert out.returncode == 0, out.stdout + out.stderr
    assert out.stdout.splitlines() == [
        "login True 1 None True",
        "('subscribed', 2, None)",
        "(3, 3, True, True, True)",
        "order_response True bytes 32",
        "trade_report True 32",
    ]
