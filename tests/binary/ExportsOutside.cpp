// A library that exports a C++ function beside its C interface: the symbol
// check must reject it as the library.
extern "C" int KelvaraLib_Inside() {
  return 1;
}

int Outside() {
  return 2;
}
