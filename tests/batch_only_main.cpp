// The --batch front end linked alone, without the window: proof that batch
// mode needs no widget library (tests/cmake/batch.cmake looks at its links).
#include "batch/batch.h"

int main(int argc, char** argv) {
  return tesmo::RunBatch(argc, argv);
}
