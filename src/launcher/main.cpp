#include "launcher/MainInterface.h"
#include "platform/application.h"

int main(int argc, char* argv[]) { return platform::applicationMain(argc, argv, loadMainInterface); }
