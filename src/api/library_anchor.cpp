// The shared library is assembled from the component archives; this unit
// only gives the target a source of its own.
namespace nq { namespace api {
extern const char kLibraryName[] = "libtrv_api";
}}  // namespace nq::api
