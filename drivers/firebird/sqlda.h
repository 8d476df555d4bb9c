#pragma once
// The client library's descriptor of a statement's columns or parameters, sized for n of them.
#include <ibase.h>
#include <vector>

struct TSqlda {
  explicit TSqlda(short n) : Bytes(XSQLDA_LENGTH(n < 1 ? 1 : n)) {
    Da()->version = SQLDA_VERSION1;
    Da()->sqln = n < 1 ? 1 : n;
  }
  XSQLDA *Da() { return reinterpret_cast<XSQLDA *>(Bytes.data()); }
  std::vector<char> Bytes;
};
