// A library that exports C++ functions beside its C interface: the symbol
// check must reject it as the library, and a program that calls one of them
// as a consumer.
extern "C" int KelvaraLib_Inside() {
  return 1;
}

int Outside() {
  return 2;
}

namespace kelvara {
int Inside() {
  return 3;
}
}  // namespace kelvara
