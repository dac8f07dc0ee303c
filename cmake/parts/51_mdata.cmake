# The decoders log nothing (they run per datagram on the receiver thread), and
# trv_log reaches trv_api as a whole archive of its own: naming it in DEPS as
# well would make CMake refuse the shared library.
trv_component(trv_mdata SOURCES
  ${CMAKE_SOURCE_DIR}/src/api/TRVQuoteDecoder.cpp
  ${CMAKE_SOURCE_DIR}/src/api/MQRQuoteDecoder.cpp)
foreach(t MarketDataLayout TRVQuoteDecoder MQRQuoteDecoder)
  trv_test(${t}_test SOURCES ${CMAKE_SOURCE_DIR}/tests/api/${t}_test.cpp LIBS trv_mdata)
endforeach()
trv_fuzz(quote_decoder_fuzz SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/quote_decoder_fuzz.cpp
  LIBS trv_mdata CORPUS ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/quote_decoder)
# The fuzz target's reference model over its corpus, in every build.
trv_test(quote_decoder_corpus_test SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/quote_decoder_fuzz.cpp
  ${CMAKE_SOURCE_DIR}/tests/fuzz/QuoteDecoderCorpus_test.cpp LIBS trv_mdata)
if(TARGET quote_decoder_corpus_test)
  target_compile_definitions(quote_decoder_corpus_test PRIVATE
    TRV_QUOTE_DECODER_CORPUS="${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/quote_decoder")
endif()
