// Test-only extension module: plays the library's part towards the callback
// and list objects of _py_trv_api, calling them from native threads that the
// interpreter has never seen, as the library's handler and receiver threads do.
#include <Python.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "trv_api.h"

namespace {

// A library-style result list over a vector of records.
class OrderList : public nq::TRVOrderList {
public:
    explicit OrderList(size_t n) : rows(n) {
        for (size_t i = 0; i < n; ++i) {
            std::memset(&rows[i], 0, sizeof(rows[i]));
            rows[i].xid = 1000 + i;
            std::memcpy(rows[i].security_code, "600000", 6);
        }
    }
    size_t data_count() const override { return rows.size(); }
    const nq::trv_order_info_t* get(int index) const override { return &rows[index]; }

private:
    std::vector<nq::trv_order_info_t> rows;
};

void run_trade(nq::TRVTradeSpi* spi, const std::string& scenario) {
    nq::trv_error_info_t err;
    std::memset(&err, 0, sizeof(err));
    err.error_code_type = 311;
    std::strcpy(err.error_msg, "timeout");
    nq::trv_msg_desc_t desc;
    std::memset(&desc, 0, sizeof(desc));
    if (scenario == "login_ok") {
        spi->on_login(7, 8, nullptr);
    } else if (scenario == "login_error") {
        spi->on_login(0, 8, &err);
    } else if (scenario == "disconnect_max") {
        spi->on_disconnect(UINT64_MAX);
    } else if (scenario == "raw_report") {
        char report_id[32];
        std::memset(report_id, 0, sizeof(report_id));
        std::memcpy(report_id, "R1", 2);
        char raw[16] = {'a', 'b', 0, 'c', 'd', 0, 0, 'e'};
        spi->on_raw_report(1, &desc, 5, 99, report_id, nq::ExchangeIndex::SZ, 3, 4, 8, raw);
    } else if (scenario == "raw_report_empty") {
        char report_id[32];
        std::memset(report_id, 0, sizeof(report_id));
        spi->on_raw_report(1, &desc, 5, 99, report_id, nq::ExchangeIndex::SH, 3, 4, 0, nullptr);
    } else if (scenario == "query_orders") {
        OrderList list(3);
        spi->on_query_orders(1, 2, &list, true, nullptr);
    } else if (scenario == "query_orders_failed") {
        spi->on_query_orders(1, 2, nullptr, true, &err);
    } else if (scenario == "orders_by_page") {
        OrderList list(2);
        nq::trv_page_query_reference_t ref;
        std::memset(&ref, 0, sizeof(ref));
        ref.sub_table_num = 3;
        ref.positions[0] = 42;
        spi->on_query_orders_by_page(1, 2, &list, 10, 2, &ref, false, nullptr);
    } else if (scenario == "order_timeout") {
        spi->on_order_timeout(1, 2);
    }
}

void run_quote(nq::TRVQuoteSpi* spi, const std::string& scenario) {
    if (scenario == "quote") {
        unsigned char payload[4] = {1, 2, 0xB0, 4};
        spi->on_quote(nq::TRV_SSE_L1, payload, sizeof(payload));
    } else if (scenario == "login_ok") {
        spi->on_login(3, 4, nullptr);
    }
}

// fire(kind, address, scenario, threads): runs the scenario on `threads`
// native threads at once and waits for them with the interpreter lock released.
PyObject* fire(PyObject*, PyObject* args) {
    const char* kind;
    unsigned long long address;
    const char* scenario;
    int threads = 1;
    if (!PyArg_ParseTuple(args, "sKs|i", &kind, &address, &scenario, &threads)) return nullptr;
    std::string k(kind), s(scenario);
    if (k != "trade" && k != "quote") {
        PyErr_SetString(PyExc_ValueError, "kind is trade or quote");
        return nullptr;
    }
    Py_BEGIN_ALLOW_THREADS std::vector<std::thread> pool;
    for (int i = 0; i < threads; ++i) {
        pool.emplace_back([&] {
            if (k == "trade")
                run_trade(reinterpret_cast<nq::TRVTradeSpi*>(address), s);
            else
                run_quote(reinterpret_cast<nq::TRVQuoteSpi*>(address), s);
        });
    }
    for (auto& t : pool) t.join();
    Py_END_ALLOW_THREADS Py_RETURN_NONE;
}

// fire_detached(kind, address, scenario, delay_ms[, early]): one native
// thread that waits and then calls back, never joined (as the library's
// threads are); with early set it calls back once before waiting as well.
PyObject* fire_detached(PyObject*, PyObject* args) {
    const char* kind;
    unsigned long long address;
    const char* scenario;
    int delay_ms = 0;
    int early = 0;
    if (!PyArg_ParseTuple(args, "sKsi|p", &kind, &address, &scenario, &delay_ms, &early)) return nullptr;
    std::string k(kind), s(scenario);
    std::thread([k, s, address, delay_ms, early] {
        auto call = [&] {
            if (k == "trade")
                run_trade(reinterpret_cast<nq::TRVTradeSpi*>(address), s);
            else
                run_quote(reinterpret_cast<nq::TRVQuoteSpi*>(address), s);
        };
        if (early) call();
        std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
        call();
    }).detach();
    Py_RETURN_NONE;
}

// upcalls(address, threads, count): `threads` native threads, started
// together, each make `count` on_disconnect up-calls into the trade callback
// object at `address`; returns the seconds from the start until the last one
// finished (the interpreter lock is released meanwhile).
PyObject* upcalls(PyObject*, PyObject* args) {
    unsigned long long address;
    int threads;
    long long count;
    if (!PyArg_ParseTuple(args, "KiL", &address, &threads, &count)) return nullptr;
    if (threads < 1 || count < 0) {
        PyErr_SetString(PyExc_ValueError, "threads must be at least 1 and count not negative");
        return nullptr;
    }
    auto* spi = reinterpret_cast<nq::TRVTradeSpi*>(address);
    double seconds = 0;
    Py_BEGIN_ALLOW_THREADS std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> pool;
    for (int i = 0; i < threads; ++i) {
        pool.emplace_back([&] {
            ready.fetch_add(1);
            while (!go.load(std::memory_order_acquire)) std::this_thread::yield();
            for (long long n = 0; n < count; ++n) spi->on_disconnect((uint64_t)n);
        });
    }
    while (ready.load() < threads) std::this_thread::yield();
    auto start = std::chrono::steady_clock::now();
    go.store(true, std::memory_order_release);
    for (auto& t : pool) t.join();
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    Py_END_ALLOW_THREADS return PyFloat_FromDouble(seconds);
}

PyMethodDef methods[] = {
    {"upcalls", upcalls, METH_VARARGS, nullptr},
    {"fire", fire, METH_VARARGS, nullptr},
    {"fire_detached", fire_detached, METH_VARARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef module = {
    PyModuleDef_HEAD_INIT, "_trv_py_driver", nullptr, -1, methods, nullptr, nullptr, nullptr, nullptr};

}  // namespace

PyMODINIT_FUNC PyInit__trv_py_driver() { return PyModule_Create(&module); }
