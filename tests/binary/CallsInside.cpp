// A program that reaches a library by a C++ name of KelvaraLib's: the symbol
// check must reject it as a consumer.
extern "C" int KelvaraLib_Inside();

namespace kelvara {
int Inside();
}  // namespace kelvara

int main() {
  return KelvaraLib_Inside() + kelvara::Inside() == 4 ? 0 : 1;
}
