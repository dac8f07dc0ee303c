#!/usr/bin/python3
"""The example trading session in Python: logs in to the counter whose gateway
port is given, subscribes to order reports, queries assets and positions,
sends an order and a cancel of it, queries the orders back, logs out.

    PYTHONPATH=build/release/python examples/trv_example.py PORT
"""
import queue
import sys

import py_trv_api as trv

events = queue.Queue()


class TradeSpi(trv.TRVTradeSpi):
    """Callbacks arrive on the library's threads: hand them to the main thread."""

    def on_login(self, session_id, request_id, error_info):
        events.put(("on_login", session_id, error_info and error_info.error_msg))

    def on_subscribe_trade_message(self, session_id, request_id, start_sequence, latest_sequence, error_info):
        events.put(("on_subscribe_trade_message", latest_sequence))

    def on_query_assets(self, session_id, request_id, assets, is_last, error_info):
        rows = [assets.get(i) for i in range(assets.data_count())] if assets else []
        events.put(("on_query_assets", [(a.account_index, a.available_amount) for a in rows], is_last))

    def on_query_positions(self, session_id, request_id, positions, is_last, error_info):
        rows = [positions.get(i) for i in range(positions.data_count())] if positions else []
        events.put(("on_query_positions", [(r.security_code, r.total_quantity) for r in rows], is_last))

    def on_query_orders(self, session_id, request_id, orders, is_last, error_info):
        rows = [orders.get(i) for i in range(orders.data_count())] if orders else []
        events.put(("on_query_orders", [(o.xid, o.security_code) for o in rows], is_last))

    def on_order_response(self, session_id, msg_desc, response):
        events.put(("on_order_response", response.xid, response.report_id.rstrip(b"\0")))

    def on_trade_report(self, session_id, msg_desc, report):
        events.put(("on_trade_report", report.xid, report.quantity, report.price))

    def on_cancel_response(self, session_id, msg_desc, response):
        events.put(("on_cancel_response", response.xid))

    def on_order_error_response(self, session_id, msg_desc, response):
        events.put(("on_order_error_response", response.xid))


def wait_for(name):
    while True:
        event = events.get(timeout=30)
        print(*event)
        if event[0] == name:
            return event


def fail(what):
    error = trv.TRVTradeApi.get_last_error()
    sys.exit("%s failed: [%d] %s" % (what, error.error_code_type, error.error_msg))


def main():
    port = int(sys.argv[1])
    api = trv.TRVTradeApi.create()
    print("library", trv.TRVTradeApi.get_api_version())
    config = trv.TRVTradeConfig()
    if not (config.set_local_addr("127.0.0.1", "127.0.0.1") and config.add_agw_addr("127.0.0.1", port)):
        fail("configuration")
    if not api.initialize(config, TradeSpi()):  # the module keeps the callback object
        fail("initialize")
    if not api.login(1, 7, "demo", "secret", ""):
        fail("login")
    _, session, error = wait_for("on_login")
    if not session:
        sys.exit("login refused: %s" % error)
    api.subscribe_trade_message(session, 2, trv.REPORT, trv.TradeResumeType_QUICK, 0) or fail("subscribe")
    wait_for("on_subscribe_trade_message")
    api.query_assets(session, 3) or fail("query_assets")
    wait_for("on_query_assets")
    api.query_positions(session, 4, "") or fail("query_positions")
    wait_for("on_query_positions")

    order = trv.trv_order_insert_info_t()
    order.security_code = "600000"
    order.exchange_index, order.side = trv.ExchangeIndex_SH, trv.Side_BUY
    order.order_type, order.business_type = trv.OrderType_LIMIT_PRICE, trv.BusinessType_CASH
    order.price, order.quantity = 100000, 100
    xid = api.insert_order(session, order) or fail("insert_order")
    print("order sent, xid", xid)
    wait_for("on_order_response")
    wait_for("on_trade_report")
    cancel = trv.trv_cancel_order_info_t()
    cancel.origin_xid = xid
    print("cancel sent, xid", api.cancel_order(session, cancel))
    api.query_orders(session, 5, trv.trv_order_query_param_t()) or fail("query_orders")
    wait_for("on_query_orders")
    api.logout(session) or fail("logout")
    api.stop()
    print("trading API stopped")


if __name__ == "__main__":
    main()
