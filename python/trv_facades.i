// Facades: the library's objects for the life of the process.

// The destructors of the facades are not public: their delete functions
// release the Python object's claim and leave the library's facade alone.
%apply SWIGTYPE *DISOWN { nq::TRVTradeApi *self, nq::TRVPrivilege *self, nq::TRVQuoteApi *self };
%inline %{
void delete_TRVTradeApi(nq::TRVTradeApi *self) { (void)self; }
void delete_TRVPrivilege(nq::TRVPrivilege *self) { (void)self; }
void delete_TRVQuoteApi(nq::TRVQuoteApi *self) { (void)self; }
%}
%clear nq::TRVTradeApi *self, nq::TRVPrivilege *self, nq::TRVQuoteApi *self;

// The callback object given to a successful initialize is held until stop.
%define TRV_INITIALIZE(Cls, Kind)
%exception nq::Cls::initialize %{
  $action
  if (result) trv_py::hold_spi(trv_py::Kind, swig_obj[2]);
%}
%exception nq::Cls::stop %{
  $action
  trv_py::release_spi(trv_py::Kind);
%}
%enddef
TRV_INITIALIZE(TRVTradeApi, TRADE)
TRV_INITIALIZE(TRVPrivilege, PRIVILEGE)
TRV_INITIALIZE(TRVQuoteApi, QUOTE)
