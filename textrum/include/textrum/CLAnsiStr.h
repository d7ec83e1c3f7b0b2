// CLAnsiStr: a narrow (UTF-8) string value that holds one narrow string
// record.
//
// Ownership, copying and moving follow LStrWrapper (see there). Assigning
// and copying share the text between records until one of them writes.
#pragma once

#include "textrum/LStrWrapper.h"

class CLAnsiStr : public textrum::LStrWrapper<char, CLAnsiStr> {
public:
  using LStrWrapper::LStrWrapper;
};
