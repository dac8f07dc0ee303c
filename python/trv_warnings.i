// Compiler warnings of the generated wrappers, silenced where they arise.
//
// The getters of the price and volume arrays of the packed level-1 records
// and of the page reference return the array's address. Those addresses may
// be unaligned, which the compiler warns about; the module never reads
// through them as a typed pointer: the element helpers (trv_helpers.i) copy
// elements out of the packed record, and Python only passes the address on.
// (Exception code reaches variable wrappers only where "allowexcept" is set.)
%define TRV_PACKED_ARRAY(Record, field)
%feature("allowexcept") Record::field;
%exception Record::field %{
_Pragma("GCC diagnostic push")
_Pragma("GCC diagnostic ignored \"-Waddress-of-packed-member\"")
  $action
_Pragma("GCC diagnostic pop")
%}
%enddef
TRV_PACKED_ARRAY(nq::trv_sse_l1_snapshot_t, bid_px)
TRV_PACKED_ARRAY(nq::trv_sse_l1_snapshot_t, bid_volume)
TRV_PACKED_ARRAY(nq::trv_sse_l1_snapshot_t, offer_px)
TRV_PACKED_ARRAY(nq::trv_sse_l1_snapshot_t, offer_volume)
TRV_PACKED_ARRAY(nq::trv_szse_l1_snapshot_t, bid_px)
TRV_PACKED_ARRAY(nq::trv_szse_l1_snapshot_t, bid_volume)
TRV_PACKED_ARRAY(nq::trv_szse_l1_snapshot_t, offer_px)
TRV_PACKED_ARRAY(nq::trv_szse_l1_snapshot_t, offer_volume)
TRV_PACKED_ARRAY(nq::trv_szse_l1_snapshot_bond_t, bid_px)
TRV_PACKED_ARRAY(nq::trv_szse_l1_snapshot_bond_t, bid_volume)
TRV_PACKED_ARRAY(nq::trv_szse_l1_snapshot_bond_t, offer_px)
TRV_PACKED_ARRAY(nq::trv_szse_l1_snapshot_bond_t, offer_volume)
TRV_PACKED_ARRAY(nq::trv_page_query_reference_t, sub_table_end_points)
TRV_PACKED_ARRAY(nq::trv_page_query_reference_t, positions)

// SWIG's setter of a two-dimensional char array tests each row for null,
// which a row of an array never is: the test is always true and harmless.
%feature("allowexcept") nq::trv_szse_l1_snapshot_bond_t::sub_trading_phase_code;
%exception nq::trv_szse_l1_snapshot_bond_t::sub_trading_phase_code %{
_Pragma("GCC diagnostic push")
_Pragma("GCC diagnostic ignored \"-Waddress\"")
  $action
_Pragma("GCC diagnostic pop")
%}
