// A module with nothing in it but (depending on the build) a version
// resource, for reading descriptions from modules other than the client.
#ifdef _WIN32
extern "C" __declspec(dllexport) int FixtureModuleMarker() { return 1; }
#else
extern "C" __attribute__((visibility("default"))) int FixtureModuleMarker() { return 1; }
#endif
