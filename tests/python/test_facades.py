"""Facades, configurations and the module's hold on callback objects; each
scenario that brings the library up runs in a process of its own."""


def check(run_script, code):
    out = run_script(code)
    assert out.returncode == 0, out.stdout + out.stderr
    return out.stdout


def test_facade_objects_and_arguments(run_script):
    check(run_script, """
        import _py_trv_api as m, py_trv_api as p
        api, again = p.TRVTradeApi.create(), p.TRVTradeApi.create()
        assert api is not again and api.this == again.this
        # None stands for the one facade object
        assert m.TRVTradeApi_get_trading_day(None) == api.get_trading_day()
        assert m.TRVTradeApi_dump_api_performance_info(None) is False
        # deleting a facade object leaves the library's facade alone
        m.delete_TRVTradeApi(api)
        del api
        assert again.get_trading_day() == 0 and again.dump_api_performance_info() is False
        quote, priv = p.TRVQuoteApi.create(), p.TRVPrivilege.create()
        try:
            m.TRVTradeApi_stop(quote)
            raise SystemExit("quote facade accepted as trading facade")
        except TypeError as e:
            assert str(e) == "in method 'TRVTradeApi_stop', argument 1 of type 'nq::TRVTradeApi *'"
        assert m.TRVTradeApi_get_trading_day(priv) == 0
        try:
            m.TRVPrivilege_dump_final_file(again, 1, 2)
            raise SystemExit("trading facade accepted as privileged facade")
        except TypeError as e:
            assert str(e) == "in method 'TRVPrivilege_dump_final_file', argument 1 of type 'nq::TRVPrivilege *'"
        try:
            m.TRVTradeApi_get_xid_sender(again, 1, None, None)
            raise SystemExit("None reference accepted")
        except TypeError as e:
            assert str(e) == "invalid null reference in method 'TRVTradeApi_get_xid_sender', argument 3 of type 'uint64_t &'"
        # a refused call is a result, and the thread's last error tells why
        assert again.logout(5) is False
        err = p.TRVTradeApi.get_last_error()
        assert err.error_code_type != 0 and err.error_msg != ""
        ok, biz = again.submit_cluster_fund_transfer_request(1, 2, 100)
        assert (ok, biz) == (False, "")
        assert again.submit_counter_fund_transfer_request(1, 2, p.FundTransSide_IN, 100, 7) == (False, "")
        assert p.TRVTradeApi.get_api_version().startswith("v")
        ref = p.trv_page_query_reference_t.create()
        assert ref.this.own()
        print("ok")
    """)


def test_callback_object_is_held_by_the_module(run_script):
    # Kept past stop too: a stop called from inside a callback does not wait for that callback.
    out = check(run_script, """
        import gc, weakref, py_trv_api as p
        cfg = p.TRVTradeConfig()
        assert cfg.set_local_addr("127.0.0.1", "127.0.0.1") and cfg.add_agw_addr("127.0.0.1", 6001)
        class Spi(p.TRVTradeSpi):
            pass
        api = p.TRVTradeApi.create()
        spi = Spi()
        alive = weakref.ref(spi)
        refused = Spi()
        refused_alive = weakref.ref(refused)
        assert api.initialize(cfg, spi)
        assert not api.initialize(cfg, refused)  # a second initialisation is refused: not held
        del spi, refused
        gc.collect()
        print("held", alive() is not None, refused_alive() is None)
        api.stop()
        gc.collect()
        print("after stop", alive() is not None)
    """)
    assert out.splitlines() == ["held True True", "after stop True"]


def test_interpreter_exit_stops_facades_and_keeps_late_callbacks_out(run_script):
    # A library-style thread calls back while the interpreter is exiting:
    # the exit stays clean and the callback never runs.
    out = run_script("""
        import atexit, time
        atexit.register(time.sleep, 0.6)  # runs after the module's own exit handler
        import py_trv_api as p, _trv_py_driver as driver
        cfg = p.TRVQuoteConfig()
        assert cfg.set_local_addr("127.0.0.1", "127.0.0.1") and cfg.add_agw_addr("127.0.0.1", 6001)
        class Spi(p.TRVQuoteSpi):
            def on_login(self, *args):
                print("late callback", flush=True)
        api = p.TRVQuoteApi.create()
        spi = Spi()
        assert api.initialize(cfg, spi)
        driver.fire("quote", int(spi.this), "login_ok")
        driver.fire_detached("quote", int(spi.this), "login_ok", 300)
        del spi
        print("exiting", flush=True)
    """)
    assert out.returncode == 0, out.stderr
    assert out.stdout.splitlines() == ["late callback", "exiting"]


def test_a_library_thread_that_called_back_before_stays_out_of_the_exiting_interpreter(run_script):
    # The thread keeps the thread state of its first up-call: the exit guard
    # must stop it all the same.
    out = run_script("""
        import atexit, threading, time
        atexit.register(time.sleep, 0.6)  # runs after the module's own exit handler
        import py_trv_api as p, _trv_py_driver as driver
        called = threading.Event()
        class Spi(p.TRVQuoteSpi):
            def on_login(self, *args):
                print("late callback" if called.is_set() else "first callback", flush=True)
                called.set()
        spi = Spi()
        p._py_trv_api.disown_TRVQuoteSpi(spi)
        driver.fire_detached("quote", int(spi.this), "login_ok", 300, True)
        assert called.wait(30)
        print("exiting", flush=True)
    """)
    assert out.returncode == 0, out.stderr
    assert out.stdout.splitlines() == ["first callback", "exiting"]


def test_quote_helpers(run_script):
    out = check(run_script, """
        import py_trv_api as p, _py_trv_api as m
        api = p.TRVQuoteApi.create()
        print(api.get_trading_day_safe(), flush=True)
        print(m.TRVQuoteApi_initialize_friendly(None, None, None), flush=True)
        for plan in ([], 5, [[1]], [[1, 2]], [[0, list(range(65))]], [5]):
            print(api.subscribe_quote_plan(1, plan, 0), flush=True)
        try:
            api.subscribe_quote_plan(1, [], 2 ** 31)
        except OverflowError as e:
            print(e, flush=True)
        for plan in ([[2 ** 70, [1]]], [[0, [1, 2 ** 70]]]):
            try:
                api.subscribe_quote_plan(1, plan, 0)
            except OverflowError:
                print("overflow", flush=True)
        cfg = p.TRVQuoteConfig()
        cfg.set_trading_day(20261210)
        assert cfg.set_local_addr("127.0.0.1", "127.0.0.1") and cfg.add_agw_addr("127.0.0.1", 6001)
        spi = p.TRVQuoteSpi()
        print(api.initialize_friendly(cfg, spi), flush=True)
        print(api.get_trading_day_safe() == api.get_trading_day(), flush=True)
        print(api.subscribe_quote_plan(1, [(-1, [p.TRV_SSE_L1])], 0), flush=True)
        api.stop()
    """)
    assert out.splitlines() == [
        "0", "False",
        "5", "False", "4", "False", "8", "False", "9", "False", "10", "False", "7", "False",
        "in method 'TRVQuoteApi_subscribe_quote_plan', argument 4 of type 'int'",
        "overflow", "overflow",
        "True", "True",
        "self->subscribe_quote", "False",
    ]


def test_records_the_library_reads_are_required(run_script):
    out = check(run_script, """
        import py_trv_api as p, _py_trv_api as m
        api, quote, priv = p.TRVTradeApi.create(), p.TRVQuoteApi.create(), p.TRVPrivilege.create()
        calls = [
            lambda: api.insert_order(1, None),
            lambda: api.cancel_order(1, None, 5),
            lambda: api.query_orders(1, 2, None),
            lambda: api.query_orders_by_page(1, 2, 10, None),
            lambda: priv.submit_counter_fund_transfer_result(1, 2, None),
            lambda: quote.request_rebuild_tick_quote(1, 2, None),
            lambda: quote.subscribe_quote(1, 1, None),
            lambda: quote.subscribe_quote(1, 2, p.quote_thread_t()),
        ]
        for call in calls:
            try:
                call()
                print("accepted")
            except (TypeError, OverflowError) as e:
                print(type(e).__name__, e)
        # the callback base methods still take None for their records
        print(m.TRVTradeSpi_on_query_orders_by_page(p.TRVTradeSpi(), 1, 2, None, 0, 0, None, True, None))
    """)
    assert out.splitlines() == [
        "TypeError in method 'TRVTradeApi_insert_order', argument 3 of type 'nq::trv_order_insert_info_t *'",
        "TypeError in method 'TRVTradeApi_cancel_order', argument 3 of type 'nq::trv_cancel_order_info_t *'",
        "TypeError in method 'TRVTradeApi_query_orders', argument 4 of type 'nq::trv_order_query_param_t const *'",
        "TypeError in method 'TRVTradeApi_query_orders_by_page', argument 5 of type 'nq::trv_page_query_reference_t const *'",
        "TypeError in method 'TRVPrivilege_submit_counter_fund_transfer_result', argument 4 of type 'nq::trv_counter_fund_transfer_result_t const *'",
        "TypeError in method 'TRVQuoteApi_request_rebuild_tick_quote', argument 4 of type 'nq::trv_rebuild_tick_quote_req_t const *'",
        "TypeError in method 'TRVQuoteApi_subscribe_quote', argument 4 of type 'nq::quote_thread_t *'",
        "OverflowError in method 'TRVQuoteApi_subscribe_quote': thread_count exceeds the records given in quote_threads",
        "None",
    ]


def test_initialize_friendly_holds_the_callback_object(run_script):
    out = check(run_script, """
        import gc, weakref, py_trv_api as p
        cfg = p.TRVQuoteConfig()
        assert cfg.set_local_addr("127.0.0.1", "127.0.0.1") and cfg.add_agw_addr("127.0.0.1", 6001)
        class Spi(p.TRVQuoteSpi):
            pass
        api = p.TRVQuoteApi.create()
        spi = Spi()
        alive = weakref.ref(spi)
        assert api.initialize_friendly(cfg, spi)
        del spi
        gc.collect()
        print("held", alive() is not None)
    """)
    assert out.splitlines() == ["held True"]
