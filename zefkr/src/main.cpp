// zefkr: the update wizard.
#include "forms/ZefKREntry.h"

int main(int argc, char** argv) { return zefkr::forms::runZefKR(argc, argv); }
