"""Argument errors of the facade, configuration, decoder and quote-helper
functions: counts, overload forms and per-argument conversions."""
import pytest

import _py_trv_api as m
import py_trv_api as p

# Flat function, longest native form, number of forms (each shorter form
# drops the last parameter of the one before).
OVERLOADS = [
    ("TRVTradeApi_login", "nq::TRVTradeApi::login(uint64_t,uint16_t,char const *,char const *,char const *,"
     "nq::trv_user_terminal_info_t const *)", 2),
    ("TRVTradeApi_auth_trade", "nq::TRVTradeApi::auth_trade(uint64_t,uint64_t,char const *,char const *,"
     "char const *,nq::trv_user_terminal_info_t const *)", 2),
    ("TRVTradeApi_get_init_assets", "nq::TRVTradeApi::get_init_assets(uint64_t,uint64_t)", 2),
    ("TRVTradeApi_get_init_positions", "nq::TRVTradeApi::get_init_positions(uint64_t,uint64_t)", 2),
    ("TRVTradeApi_get_account_index", "nq::TRVTradeApi::get_account_index(uint64_t,uint64_t)", 2),
    ("TRVTradeApi_rebuild_trade_message", "nq::TRVTradeApi::rebuild_trade_message(uint64_t,uint64_t,"
     "nq::trade_message_type_t,uint64_t,uint64_t,uint64_t)", 2),
    ("TRVTradeApi_insert_order", "nq::TRVTradeApi::insert_order(uint64_t,nq::trv_order_insert_info_t *,uint64_t)", 2),
    ("TRVTradeApi_cancel_order", "nq::TRVTradeApi::cancel_order(uint64_t,nq::trv_cancel_order_info_t *,uint64_t)", 2),
    ("TRVTradeApi_submit_counter_fund_transfer_request", "nq::TRVTradeApi::submit_counter_fund_transfer_request("
     "uint64_t,uint64_t,nq::FundTransSide,nq::amount_t,char *,uint64_t)", 3),
    ("TRVTradeApi_submit_cluster_fund_transfer_request", "nq::TRVTradeApi::submit_cluster_fund_transfer_request("
     "uint64_t,uint64_t,nq::amount_t,char *,uint64_t)", 3),
    ("TRVTradeApi_query_assets", "nq::TRVTradeApi::query_assets(uint64_t,uint64_t,uint64_t)", 2),
    ("TRVTradeApi_query_positions", "nq::TRVTradeApi::query_positions(uint64_t,uint64_t,char const *,"
     "nq::ExchangeIndex,uint64_t)", 3),
    ("TRVTradeApi_query_orders", "nq::TRVTradeApi::query_orders(uint64_t,uint64_t,"
     "nq::trv_order_query_param_t const *,uint64_t)", 2),
    ("TRVTradeApi_query_orders_by_page", "nq::TRVTradeApi::query_orders_by_page(uint64_t,uint64_t,uint32_t,"
     "nq::trv_page_query_reference_t const *,uint64_t)", 2),
    ("TRVTradeApi_query_trades", "nq::TRVTradeApi::query_trades(uint64_t,uint64_t,uint64_t,uint64_t)", 2),
    ("TRVTradeApi_query_init_assets", "nq::TRVTradeApi::query_init_assets(uint64_t,uint64_t,uint64_t)", 2),
    ("TRVTradeApi_query_init_positions", "nq::TRVTradeApi::query_init_positions(uint64_t,uint64_t,char const *,"
     "nq::ExchangeIndex,uint64_t)", 2),
    ("TRVTradeApi_query_trade_account_info", "nq::TRVTradeApi::query_trade_account_info(uint64_t,uint64_t,uint64_t)", 2),
    ("TRVPrivilege_query_brief_assets", "nq::TRVPrivilege::query_brief_assets(uint64_t,uint64_t,uint64_t)", 2),
    ("TRVPrivilege_query_brief_positions", "nq::TRVPrivilege::query_brief_positions(uint64_t,uint64_t,char const *,"
     "nq::ExchangeIndex,uint64_t)", 2),
    ("TRVQuoteApi_login", "nq::TRVQuoteApi::login(uint64_t,uint16_t,char const *,char const *,char const *,"
     "nq::trv_user_terminal_info_t const *)", 2),
    ("TRVQuoteApi_subscribe_quote", "nq::TRVQuoteApi::subscribe_quote(uint64_t,uint16_t,nq::quote_thread_t *,"
     "nq::QuoteRxMode)", 2),
]


def overload_text(function, longest, forms):
    name, params = longest[:-1].split("(", 1)
    params = params.split(",")
    lines = ["    %s(%s)\n" % (name, ",".join(params[:len(params) - k])) for k in range(forms)]
    return ("Wrong number or type of arguments for overloaded function '%s'.\n"
            "  Possible C/C++ prototypes are:\n" % function) + "".join(lines)


@pytest.mark.parametrize("function,longest,forms", OVERLOADS, ids=[c[0] for c in OVERLOADS])
def test_overloaded_functions_name_every_form(function, longest, forms):
    # The business-number buffer is never a Python argument.
    largest = 1 + longest.count(",") + 1 - ("char *" in longest)
    with pytest.raises(TypeError) as info:
        getattr(m, function)(*[None] * (largest + 1))
    assert str(info.value) == ("%s expected at most %d arguments, got %d\nAdditional information:\n"
                               % (function, largest, largest + 1)) + overload_text(function, longest, forms)
    # A count between 0 and the largest that fits no form: the overload text alone.
    with pytest.raises(TypeError) as info:
        getattr(m, function)(None)
    assert str(info.value) == overload_text(function, longest, forms)
    # A value of the wrong type in a form of the right length: the overload text too.
    with pytest.raises(TypeError) as info:
        getattr(m, function)(None, *["x"] * (largest - 1))
    assert str(info.value) == overload_text(function, longest, forms)


trade, quote, priv = p.TRVTradeApi.create(), p.TRVQuoteApi.create(), p.TRVPrivilege.create()
trade_cfg, quote_cfg = p.TRVTradeConfig(), p.TRVQuoteConfig()

# Function, arguments, exception, argument number, declared type.
CONVERSIONS = [
    ("TRVTradeApi_logout", (trade, -1), OverflowError, 2, "uint64_t"),
    ("TRVTradeApi_logout", (trade, 1.0), TypeError, 2, "uint64_t"),
    ("TRVTradeApi_logout", (trade, 2 ** 64), OverflowError, 2, "uint64_t"),
    ("TRVTradeApi_logout", (quote, 1), TypeError, 1, "nq::TRVTradeApi *"),
    ("TRVTradeApi_deauth_trade", (trade, 1, 2, "3"), TypeError, 4, "uint64_t"),
    ("TRVTradeApi_get_order_sequence", ("1",), TypeError, 1, "uint64_t"),
    ("TRVTradeApi_subscribe_trade_message", (trade, 1, 2, 2 ** 32, 0, 0), OverflowError, 4,
     "nq::trade_message_type_t"),
    ("TRVTradeApi_subscribe_trade_message", (trade, 1, 2, 1, 2 ** 31, 0), OverflowError, 5, "nq::TradeResumeType"),
    ("TRVTradeApi_subscribe_trade_message", (trade, 1, 2, 1, "QUICK", 0), TypeError, 5, "nq::TradeResumeType"),
    ("TRVTradeApi_resend_order_request", (trade, 1, -5), OverflowError, 3, "uint64_t"),
    ("TRVTradeApi_initialize", (trade, quote_cfg, None), TypeError, 2, "nq::TRVTradeConfig *"),
    ("TRVTradeApi_initialize", (trade, trade_cfg, p.TRVQuoteSpi()), TypeError, 3, "nq::TRVTradeSpi *"),
    ("TRVTradeApi_get_biz_sender", (trade, 5, None, None), TypeError, 2, "char *"),
    ("TRVTradeConfig_set_order_timeout", (trade_cfg, 65536), OverflowError, 2, "uint16_t"),
    ("TRVTradeConfig_set_order_seq_self_define", (trade_cfg, 1), TypeError, 2, "bool"),
    ("TRVTradeConfig_set_trading_day", (trade_cfg, -1), OverflowError, 2, "uint64_t"),
    ("TRVTradeConfig_add_agw_addr", (trade_cfg, "127.0.0.1", 70000), OverflowError, 3, "uint16_t"),
    ("TRVTradeConfig_set_local_addr", (trade_cfg, 1, "127.0.0.1"), TypeError, 2, "char const *"),
    ("TRVTradeConfig_get_local_addr", (trade_cfg, -1), OverflowError, 2, "uint64_t"),
    ("TRVTradeConfig_trading_day", (quote_cfg,), TypeError, 1, "nq::TRVTradeConfig const *"),
    ("TRVPrivilege_login", (priv, 1, 2, "pw", ""), TypeError, 3, "char const *"),
    ("TRVPrivilege_xid_to_token_id", (-1,), OverflowError, 1, "uint64_t"),
    ("TRVPrivilege_unbind_user_tgw", (priv, 1, 2, 1.5), TypeError, 4, "uint64_t"),
    ("TRVPrivilege_dump_final_file", (trade, 1, 2), TypeError, 1, "nq::TRVPrivilege *"),
    ("TRVPrivilege_insert_fund_transfer_exec", (priv, 1, 2, p.trv_order_insert_info_t()), TypeError, 4,
     "nq::trv_fund_transfer_exec_request_t const *"),
    ("TRVPrivilege_submit_cluster_fund_transfer_request", (priv, 1, 2, None), TypeError, 4,
     "nq::trv_cluster_fund_transfer_request_t const *"),
    ("TRVPrivilege_initialize", (priv, p.TRVPrivilegeConfig(), p.TRVTradeSpi()), TypeError, 3,
     "nq::TRVPrivilegeSpi *"),
    ("TRVQuoteApi_logout", (quote, -1), OverflowError, 2, "uint64_t"),
    ("TRVQuoteApi_query_level1_quote", (quote, 1, 2, 2 ** 31, "600000"), OverflowError, 4, "nq::ExchangeIndex"),
    ("TRVQuoteApi_query_level1_quote", (quote, 1, 2, 1, 600000), TypeError, 5, "char const *"),
    ("TRVQuoteApi_query_static_quote_info", (trade, 1, 2), TypeError, 1, "nq::TRVQuoteApi *"),
    ("TRVQuoteApi_initialize", (quote, trade_cfg, None), TypeError, 2, "nq::TRVQuoteConfig *"),
    ("TRVQuoteApi_initialize_friendly", (quote, quote_cfg, p.TRVTradeSpi()), TypeError, 3, "nq::TRVQuoteSpi *"),
    ("TRVQuoteApi_initialize_friendly", (trade, quote_cfg, None), TypeError, 1, "nq::TRVQuoteApi *"),
    ("TRVQuoteApi_get_trading_day_safe", (trade,), TypeError, 1, "nq::TRVQuoteApi *"),
    ("TRVQuoteApi_subscribe_quote_plan", (quote, -1, [], 0), OverflowError, 2, "uint64_t"),
    ("TRVQuoteApi_subscribe_quote_plan", (quote, 1, [], 1.0), TypeError, 4, "int"),
    ("TRVQuoteConfig_set_use_level2", (quote_cfg, 0), TypeError, 2, "bool"),
    ("TRVQuoteConfig_add_agw_addr", (quote_cfg, "127.0.0.1", -1), OverflowError, 3, "uint16_t"),
    ("TRVQuoteConfig_use_level2", (trade_cfg,), TypeError, 1, "nq::TRVQuoteConfig const *"),
    ("new_TRVQuoteDecoder", (2 ** 31, None, 0), OverflowError, 1, "nq::QuoteMCType"),
    ("new_TRVQuoteDecoder", (1, None, -1), OverflowError, 3, "uint32_t"),
    ("new_MQRQuoteDecoder", (1, None, "0"), TypeError, 3, "uint32_t"),
]


@pytest.mark.parametrize("function,args,error,position,declared", CONVERSIONS,
                         ids=["%s-%d" % (c[0], i) for i, c in enumerate(CONVERSIONS)])
def test_argument_conversion_errors(function, args, error, position, declared):
    with pytest.raises(error) as info:
        getattr(m, function)(*args)
    assert type(info.value) is error
    assert str(info.value) == "in method '%s', argument %d of type '%s'" % (function, position, declared)


# Function, number of arguments given, the exact count it takes.
COUNTS = [
    ("TRVTradeApi_create", 1, 0),
    ("TRVTradeApi_stop", 0, 1),
    ("TRVTradeApi_logout", 3, 2),
    ("TRVTradeApi_deauth_trade", 3, 4),
    ("TRVTradeApi_get_xid_sender", 3, 4),
    ("TRVTradeApi_get_biz_sender", 5, 4),
    ("TRVTradeApi_resend_order_request", 2, 3),
    ("TRVPrivilege_login", 4, 5),
    ("TRVPrivilege_submit_counter_fund_transfer_request", 5, 4),
    ("TRVQuoteApi_initialize_friendly", 2, 3),
    ("TRVQuoteApi_get_trading_day_safe", 2, 1),
    ("TRVQuoteApi_subscribe_quote_plan", 3, 4),
    ("TRVQuoteApi_query_level1_quote", 4, 5),
    ("TRVQuoteApi_request_rebuild_tick_quote", 5, 4),
    ("new_TRVQuoteDecoder", 2, 3),
]


@pytest.mark.parametrize("function,given,takes", COUNTS, ids=[c[0] for c in COUNTS])
def test_argument_count_errors(function, given, takes):
    with pytest.raises(TypeError) as info:
        getattr(m, function)(*[None] * given)
    if takes == 0:
        # no argument and one argument: the interpreter's own calling conventions
        assert str(info.value) == "_py_trv_api.%s() takes no arguments (%d given)" % (function, given)
    elif takes == 1:
        assert str(info.value) == "_py_trv_api.%s() takes exactly one argument (%d given)" % (function, given)
    else:
        assert str(info.value) == "%s expected %d arguments, got %d" % (function, takes, given)
