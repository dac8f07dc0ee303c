// Python binding of the public interface: one flat extension module
// (_py_trv_api) and its companion proxy module (py_trv_api).
%module(directors="1") py_trv_api

%begin %{
#include <unistd.h>
%}

%{
#include "trv_api.h"
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>
#include <string>
#include <unordered_set>
#include <system_error>
#include <thread>
%}

%include "trv_support.i"

%include <stdint.i>
%include <std_string.i>
%include <std_vector.i>
%include <cdata.i>

%template(VectorString) std::vector<std::string>;

%include "trv_typemaps.i"
%include "trv_lifetimes.i"
%include "trv_callbacks.i"
%include "trv_lists.i"
%include "trv_facades.i"
%include "trv_warnings.i"

%include "trv_api.h"

%include "trv_arrays.i"
%include "trv_helpers.i"
%include "trv_companion.i"
