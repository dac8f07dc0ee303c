// The library's result lists: a view of the rows of one received page,
// built on the handler's stack for one callback. Rows are stepped by the
// counter's row size, which may exceed the record's.
#pragma once
#include <cstddef>
#include <cstdint>

#include "api/handlers/KApiDataList.h"
#include "trv_api.h"

namespace nq { namespace api {

template <class Interface, class Row>
class TKApiResultList : public Interface {
public:
    explicit TKApiResultList(const KApiDataList* list) : list_(list) {}
    ~TKApiResultList() override {}

    size_t data_count() const override { return list_ != nullptr ? static_cast<size_t>(list_->count) : 0; }
    // Null for an index outside the page, so a wrong index never leads
    // outside the message.
    const Row* get(int index) const override {
        if (list_ == nullptr || index < 0 || static_cast<uint64_t>(index) >= list_->count) return nullptr;
        return reinterpret_cast<const Row*>(static_cast<const unsigned char*>(list_->data) +
                                            static_cast<uint64_t>(index) * list_->item_size);
    }

private:
    const KApiDataList* list_;
};

#define TRV_RESULT_LIST(Name, Interface, Row)                                                      \
    class Name final : public TKApiResultList<nq::Interface, nq::Row> {                            \
    public:                                                                                        \
        explicit Name(const KApiDataList* list) : TKApiResultList<nq::Interface, nq::Row>(list) {} \
    }

TRV_RESULT_LIST(KApiOrderList, TRVOrderList, trv_order_info_t);
TRV_RESULT_LIST(KApiPositionList, TRVPositionList, trv_position_info_t);
TRV_RESULT_LIST(KApiAssetList, TRVAssetList, trv_asset_info_t);
TRV_RESULT_LIST(KApiTradeReportList, TRVTradeReportList, trv_trade_report_t);
TRV_RESULT_LIST(KApiInitAssetList, TRVInitAssetList, trv_init_asset_info_t);
TRV_RESULT_LIST(KApiInitPositionList, TRVInitPositionList, trv_init_position_info_t);
TRV_RESULT_LIST(KApiTradeAccountInfoList, TRVTradeAccountInfoList, trv_trade_account_info_t);
TRV_RESULT_LIST(KApiStaticQuoteList, TRVStaticQuoteList, trv_static_quote_full_info_t);
TRV_RESULT_LIST(KApiLevel1QuoteList, TRVLevel1QuoteList, trv_level1_quote_t);
TRV_RESULT_LIST(KApiBriefPositionList, TRVBriefPositionList, trv_brief_position_t);
TRV_RESULT_LIST(KApiBriefAssetList, TRVBriefAssetList, trv_brief_asset_t);

#undef TRV_RESULT_LIST

}}  // namespace nq::api
