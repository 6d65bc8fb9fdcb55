// Stands in for an installer: stamps the moment it starts, then ends.
#include "stamp.h"

int main() {
  printStamp();
  return 0;
}
