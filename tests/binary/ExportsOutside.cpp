// A library that exports a function outside the kelvara namespace: the
// symbol check must reject it as the library.
namespace kelvara {

int Inside() {
  return 1;
}

}  // namespace kelvara

int Outside() {
  return 2;
}
