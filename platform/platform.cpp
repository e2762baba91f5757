// The shared platform library is the union of the platform's service
// libraries; this file only gives it a translation unit of its own.
namespace platform {
int platformLibraryMarker() { return 1; }
}  // namespace platform
