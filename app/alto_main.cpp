#include "app/control_program.h"

int main(int argc, char** argv) {
  return runControlProgram(base::altoProfile(), argc, argv);
}
