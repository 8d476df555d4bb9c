#pragma once
// A tiny registry of measurements. Each bench/*.cpp adds one with BENCH(name) { ... };
// `tesselor_bench` runs them all, `tesselor_bench NAME...` runs the named ones.
#include <QString>
#include <algorithm>
#include <functional>
#include <map>

namespace bench {
using Fn = std::function<int()>;  // returns non-zero when the measurement could not be made
std::map<QString, Fn> &registry();
struct Registrar {
  Registrar(const char *name, Fn fn) { registry()[QString::fromLatin1(name)] = std::move(fn); }
};
double peakRssMiB();  // the process's peak resident memory so far

// The middle value of a non-empty set of figures (the upper one of an even count).
template <class Values>
double median(Values values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}
}  // namespace bench

#define BENCH_CAT2(a, b) a##b
#define BENCH_CAT(a, b) BENCH_CAT2(a, b)
#define BENCH(name)                                                                               \
  static int BENCH_CAT(bench_fn_, __LINE__)();                                                    \
  static bench::Registrar BENCH_CAT(bench_reg_, __LINE__)(name, &BENCH_CAT(bench_fn_, __LINE__)); \
  static int BENCH_CAT(bench_fn_, __LINE__)()
