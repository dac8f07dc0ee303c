"""A Python trading session against the stand-in counter: callbacks arrive on
the library's own threads."""
import os

import pytest


@pytest.fixture
def counter(start_counter):
    return start_counter("--account", "alice:normal")[0]


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

            def on_query_positions(self, session_id, request_id, positions, is_last, error_info):
                # kept past the callback: the list refuses use, its rows are copies
                events.put(("positions", positions, [positions.get(i) for i in range(positions.data_count())]))

            def on_order_response(self, session_id, msg_desc, response):
                events.put(("order_response", response.xid, response.report_id, response))

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
        assert api.query_positions(session, 4, "")
        _, positions, rows = next_event("positions")
        try:
            positions.data_count()
        except ReferenceError as e:
            print("kept list:", e)
        print("kept rows", [(r.this.own(), r.account_index) for r in rows])
        order = p.trv_order_insert_info_t()
        order.security_code = "600000"
        order.exchange_index, order.side = p.ExchangeIndex_SH, p.Side_BUY
        order.order_type, order.business_type = p.OrderType_LIMIT_PRICE, p.BusinessType_CASH
        order.price, order.quantity = 100000, 100
        xid = api.insert_order(session, order)
        assert xid != 0, p.TRVTradeApi.get_last_error().error_msg
        _, answered, report_id, response = next_event("order_response")
        print("order_response", answered == xid, type(report_id).__name__, len(report_id))
        print("kept response", response.xid == xid, response.report_id == report_id)
        # the sender lookup writes through two uint64_t references: any wrapped
        # "unsigned long long *" serves, here element 0 of a packed record's arrays
        refs = p.trv_sse_l1_snapshot_t()
        assert api.get_xid_sender(xid, refs.bid_px, refs.offer_px) is None
        print("xid sender", refs.get_bid_px(0) == session, refs.get_offer_px(0) != 0)
        api.get_xid_sender(xid ^ 0xFFF0000000, refs.bid_px, refs.offer_px)
        print("unknown xid sender", refs.get_bid_px(0), refs.get_offer_px(0))
        _, traded, report_id = next_event("trade_report")
        print("trade_report", traded == xid, len(report_id))
        api.stop()
    """ % counter)
    assert out.returncode == 0, out.stdout + out.stderr
    assert out.stdout.splitlines() == [
        "login True 1 None True",
        "('subscribed', 2, None)",
        "(3, 3, True, True, True)",
        "kept list: TRVPositionList object used after the callback that received it returned",
        "kept rows [(True, 1), (True, 2), (True, 3)]",
        "order_response True bytes 32",
        "kept response True True",
        "xid sender True True",
        "unknown xid sender 0 0",
        "trade_report True 32",
    ]


def test_fund_transfer_and_privileged_requests(start_counter, run_script):
    port, _ = start_counter("--account", "alice:normal", "--account", "root:privileged:rootpw")
    out = run_script("""
        import queue, py_trv_api as p
        events = queue.Queue()

        class Spi(p.TRVTradeSpi):
            def on_login(self, session_id, request_id, error_info):
                events.put(("login", session_id, error_info))

            def on_counter_fund_transfer_request(self, session_id, msg_desc, request):
                events.put(("request", request.biz_no, request.side, request.amount))

            def on_counter_fund_transfer_result(self, session_id, msg_desc, result):
                events.put(("result", result.biz_no, result.side, result.amount, result.status,
                            result.error_info.error_code))

        class PrivSpi(p.TRVPrivilegeSpi):
            def on_login(self, session_id, request_id, error_info):
                events.put(("priv_login", session_id, request_id, error_info))

            def on_query_brief_assets(self, session_id, request_id, assets, is_last, error_info):
                rows = [assets.get(i) for i in range(assets.data_count())] if assets else []
                events.put(("brief_assets", request_id, len(rows) > 0,
                            all(type(r) is p.trv_brief_asset_t for r in rows), is_last, error_info))

        def next_event(kind):
            while True:
                event = events.get(timeout=30)
                if event[0] == kind:
                    return event

        cfg = p.TRVTradeConfig()
        assert cfg.set_local_addr("127.0.0.1", "127.0.0.1") and cfg.add_agw_addr("127.0.0.1", %(port)d)
        api = p.TRVTradeApi.create()
        assert api.initialize(cfg, Spi())
        assert api.login(1, 7, "alice", "secret", "")
        _, session, error = next_event("login")
        assert session and error is None, error
        ok, biz_no = api.submit_counter_fund_transfer_request(session, 2, p.FundTransSide_IN, 5000000)
        assert ok, p.TRVTradeApi.get_last_error().error_msg
        print("submitted", type(biz_no).__name__, len(biz_no))
        # the sender lookups write through two uint64_t references: any wrapped
        # "unsigned long long *" serves, here element 0 of a packed record's arrays
        refs = [p.trv_sse_l1_snapshot_t(), p.trv_sse_l1_snapshot_t()]
        assert api.get_biz_sender(biz_no, refs[0].bid_px, refs[1].bid_px) is None
        print("biz sender", refs[0].get_bid_px(0) == session, refs[1].get_bid_px(0) != 0)
        api.get_biz_sender("not a number", refs[0].bid_px, refs[1].bid_px)
        print("unknown biz sender", refs[0].get_bid_px(0), refs[1].get_bid_px(0))
        request = next_event("request")
        print("request", request[1] == biz_no, request[2:])
        result = next_event("result")
        print("result", result[1] == biz_no, result[2:])
        # a second transfer gets a business number of its own
        ok2, biz_no2 = api.submit_counter_fund_transfer_request(session, 3, p.FundTransSide_OUT, 100, 0)
        print("second", ok2, biz_no2 != biz_no and len(biz_no2) == len(biz_no))
        print("second result", next_event("result")[1] == biz_no2)

        pcfg = p.TRVPrivilegeConfig()
        assert pcfg.set_local_addr("127.0.0.1", "127.0.0.1") and pcfg.add_agw_addr("127.0.0.1", %(port)d)
        priv = p.TRVPrivilege.create()
        assert priv.initialize(pcfg, PrivSpi())
        assert priv.login(11, "root", "rootpw", "")
        _, priv_session, request_id, error = next_event("priv_login")
        print("priv_login", priv_session != 0 and priv_session != session, request_id, error)
        assert priv.query_brief_assets(priv_session, 12)
        print(next_event("brief_assets")[1:])
        assert api.logout(session) and priv.logout(priv_session)
        priv.stop()
        api.stop()
    """ % {"port": port})
    assert out.returncode == 0, out.stdout + out.stderr
    assert out.stdout.splitlines() == [
        "submitted str %d" % 18,
        "biz sender True True",
        "unknown biz sender 0 0",
        "request True (%d, 5000000)" % 1,
        "result True (1, 5000000, 1, 0)",
        "second True True",
        "second result True",
        "priv_login True 11 None",
        "(12, True, True, True, None)",
    ]


def test_quotes_on_loopback_multicast_decoded_with_the_helpers(start_counter, run_script):
    # Groups of their own for this run; the feeder sends on loopback with TTL 0.
    pid = os.getpid()
    groups = ["239.77.%d.%d" % (pid % 251, (pid // 251) % 80 * 3 + n) for n in (1, 2, 3)]
    port, started = start_counter("--account", "alice:normal", "--feed-ms", "20",
                                  "--channel", "1:%s:0" % groups[0], "--channel", "2:%s:0" % groups[1],
                                  "--channel", "102:%s:0" % groups[2])
    assert all(g in started for g in groups), started
    out = run_script("""
        import queue, time, py_trv_api as p
        events = queue.Queue()
        groups = %(groups)r

        class Spi(p.TRVQuoteSpi):
            def on_login(self, session_id, request_id, error_info):
                events.put(("login", session_id, error_info))

            def on_quote(self, mc_type, data, length):
                rows = []
                if mc_type in (p.TRV_SSE_L1, p.TRV_SZSE_L1):
                    decoder = p.TRVQuoteDecoder(mc_type, data, length)
                    item = decoder.get_next()
                    while item is not None:
                        if item.data_type == p.SSE_L1_SNAPSHOT:
                            s = item.data.sse_l1_snapshot
                            rows.append(("sse", s.get_security_code(), s.last_px >= 1000000, s.get_bid_px(4),
                                         s.get_offer_volume(0), s.get_trading_phase_code()))
                        elif item.data_type == p.SZSE_L1_SNAPSHOT:
                            s = item.data.szse_l1_snapshot
                            rows.append(("szse", s.get_security_code(), s.last_px >= 1200000, s.get_offer_px(0),
                                         s.get_bid_volume(4)))
                        item = decoder.get_next()
                else:
                    decoder = p.MQRQuoteDecoder(mc_type, data, length)
                    item = decoder.get_next()
                    while item is not None:
                        t = item.data.sse_lev2_tick_merge
                        rows.append(("tick", t.get_symbol(), 10500 <= t.m_price < 10510,
                                     t.m_quantity in (100, 200, 300, 400, 500), t.get_tick_type()))
                        item = decoder.get_next()
                events.put(("quote", mc_type, rows))

        def next_event(kind):
            while True:
                event = events.get(timeout=30)
                if event[0] == kind:
                    return event

        def memberships():
            # device -> groups joined, from the kernel's table
            joined, device = {}, None
            with open("/proc/net/igmp") as f:
                next(f)
                for line in f:
                    if not line.startswith("\\t"):
                        device = line.split()[1]
                    else:
                        raw = bytes.fromhex(line.split()[0])[::-1]
                        joined.setdefault(device, set()).add(".".join(str(b) for b in raw))
            return {d: sorted(g & set(groups)) for d, g in joined.items() if g & set(groups)}

        cfg = p.TRVQuoteConfig()
        assert cfg.set_local_addr("127.0.0.1", "127.0.0.1") and cfg.add_agw_addr("127.0.0.1", %(port)d)
        api = p.TRVQuoteApi.create()
        print("day before", api.get_trading_day_safe(), flush=True)
        print("initialize_friendly", api.initialize_friendly(cfg, Spi()), flush=True)
        assert api.login(1, 2, "alice", "secret", "")
        _, session, error = next_event("login")
        assert session and error is None, error
        print("day after login", api.get_trading_day_safe(), flush=True)
        plan = [(-1, [p.TRV_SSE_L1, p.TRV_SZSE_L1]), (-1, [p.DVS_SSE_L2_STOCK_TICK])]
        # the channel table follows the login answer
        for _ in range(50):
            subscribed = api.subscribe_quote_plan(session, plan, p.RX_MODE_SOCKET)
            if subscribed:
                break
            time.sleep(0.1)
        print("subscribed", subscribed, flush=True)
        print("joined", memberships(), flush=True)
        first = {}
        deadline = time.monotonic() + 30
        while len(first) < 3 and time.monotonic() < deadline:
            _, mc_type, rows = next_event("quote")
            if rows:
                first.setdefault(mc_type, rows)
        for mc_type in sorted(first):
            print(mc_type, first[mc_type], flush=True)
        print("unsubscribed", api.unsubscribe_quote(session), flush=True)
        print("left", memberships(), flush=True)
        assert api.logout(session)
        api.stop()
    """ % {"port": port, "groups": groups})
    assert out.returncode == 0, out.stdout + out.stderr
    assert out.stdout.splitlines() == [
        "day before 0",
        "initialize_friendly True",
        "day after login 20240102",
        # one line per attempt: the plan reaches the library each time
    ] + ["self->subscribe_quote"] * (out.stdout.count("self->subscribe_quote")) + [
        "subscribed True",
        "joined {'lo': %r}" % groups,
        "1 [('sse', '600000', True, 0, 0, '')]",
        "2 [('szse', '000001', True, 0, 0)]",
        "102 [('tick', '600000', True, True, '\\x00')]",
        "unsubscribed True",
        "left {}",
    ]
