// The component's own translation unit: the server's exported entry points
// are defined by the COM layer's server side and the public classes.
namespace kestrin {
int componentMarker() { return 1; }
}  // namespace kestrin
