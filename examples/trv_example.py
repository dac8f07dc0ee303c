#!/usr/bin/python3
"""The example trading session in Python: logs in to the counter whose gateway
port is given, subscribes to order reports, queries assets and positions,
sends an order and a cancel of it, queries the orders back, submits a fund
transfer and waits for its pushed outcome, logs out. Then logs in for market
data, receives the channels the counter announces on two receiver threads,
decodes and prints a few records, unsubscribes and logs out.

    PYTHONPATH=build/release/python examples/trv_example.py PORT
"""
import queue
import sys
import time

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

    def on_counter_fund_transfer_request(self, session_id, msg_desc, request):
        events.put(("on_counter_fund_transfer_request", request.biz_no, request.amount))

    def on_counter_fund_transfer_result(self, session_id, msg_desc, result):
        events.put(("on_counter_fund_transfer_result", result.biz_no, result.status))


class QuoteSpi(trv.TRVQuoteSpi):
    """on_quote runs on the library's receiver threads: the payload is valid only
    during the call, so it is decoded here and only the values leave."""

    def on_login(self, session_id, request_id, error_info):
        events.put(("quote on_login", session_id, error_info and error_info.error_msg))

    def on_quote(self, mc_type, data, length):
        line = None
        if mc_type in (trv.TRV_SSE_L1, trv.TRV_SZSE_L1):
            decoder = trv.TRVQuoteDecoder(mc_type, data, length)
            item = decoder.get_next()
            while item is not None:
                if item.data_type == trv.SSE_L1_SNAPSHOT:
                    snap = item.data.sse_l1_snapshot
                    line = "level 1 SSE snapshot %s, last %d, bid %d" % (
                        snap.get_security_code(), snap.last_px, snap.get_bid_px(0))
                elif item.data_type == trv.SZSE_L1_SNAPSHOT:
                    snap = item.data.szse_l1_snapshot
                    line = "level 1 SZSE snapshot %s, last %d" % (snap.get_security_code(), snap.last_px)
                item = decoder.get_next()
        else:
            decoder = trv.MQRQuoteDecoder(mc_type, data, length)
            item = decoder.get_next()
            while item is not None:
                if mc_type == trv.DVS_SSE_L2_STOCK_TICK:
                    tick = item.data.sse_lev2_tick_merge
                    line = "level 2 SSE tick %s, price %d, quantity %d" % (
                        tick.get_symbol(), tick.m_price, tick.m_quantity)
                else:
                    line = "level 2 record of type %d" % item.data_type
                item = decoder.get_next()
        events.put(("on_quote", mc_type, length, line))


def wait_for(name):
    while True:
        event = events.get(timeout=30)
        if event[0] != "on_quote":
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

    # A fund transfer into this counter; its outcome is pushed later and
    # carries the business number the submission returned.
    submitted, biz_no = api.submit_counter_fund_transfer_request(session, 7, trv.FundTransSide_IN, 5000000)
    submitted or fail("submit_counter_fund_transfer_request")
    print("fund transfer submitted: business number", biz_no)
    while wait_for("on_counter_fund_transfer_result")[1] != biz_no:
        pass
    api.logout(session) or fail("logout")
    print("logged out: session", session)

    quote_session(port)
    api.stop()
    print("trading API stopped")


def quote_session(port):
    quote = trv.TRVQuoteApi.create()
    config = trv.TRVQuoteConfig()
    if not (config.set_local_addr("127.0.0.1", "127.0.0.1") and config.add_agw_addr("127.0.0.1", port)):
        fail("quote configuration")
    config.set_use_level2(True)
    if not quote.initialize_friendly(config, QuoteSpi()):
        fail("quote initialize")
    quote.login(11, 2, "demo", "demo-password", "demo-key") or fail("quote login")
    _, session, error = wait_for("quote on_login")
    if not session:
        sys.exit("quote login refused: %s" % error)
    print("trading day", quote.get_trading_day_safe())
    # One receiver thread for level 1, one for the level-2 tick channel; the
    # channel table arrives just after the login answer.
    plan = [(-1, [trv.TRV_SSE_L1]), (-1, [trv.DVS_SSE_L2_STOCK_TICK])]
    for _ in range(50):
        if quote.subscribe_quote_plan(session, plan, trv.RX_MODE_AUTO):
            break
        time.sleep(0.1)
    else:
        fail("subscribe_quote_plan")
    print("subscribed: session %d, 2 receiver threads" % session)
    printed = {}
    while sum(printed.values()) < 6:
        _, mc_type, length, line = wait_for("on_quote")
        if line and printed.get(mc_type, 0) < 3:
            printed[mc_type] = printed.get(mc_type, 0) + 1
            print("on_quote: channel %d, %d bytes: %s" % (mc_type, length, line))
    quote.unsubscribe_quote(session) or fail("unsubscribe_quote")
    print("unsubscribed")
    quote.logout(session) or fail("quote logout")
    print("quote logged out: session", session)
    quote.stop()


if __name__ == "__main__":
    main()
