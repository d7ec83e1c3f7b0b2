// Textrum's public interface: the string records and every exported function.
#pragma once

#include "textrum/LStrCore.h"
#include "textrum/LStrFunctions.h"
#include "textrum/LStrSplit.h"
