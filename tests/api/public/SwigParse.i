// Throw-away interface: the public headers must parse as the Python module's source.
%module(directors="1") trv_swig_parse
%{
#include "trv_api.h"
%}
%include <stdint.i>
%feature("director") nq::TRVTradeSpi;
%feature("director") nq::TRVPrivilegeSpi;
%feature("director") nq::TRVQuoteSpi;
%feature("director") nq::TRVOrderList;
%include "trv_api.h"
