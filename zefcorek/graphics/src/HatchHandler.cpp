// The hatch handler interface's out-of-line destructor.
#include "zefcorek/HatchHandler.h"

IHatchHandler::~IHatchHandler() = default;
