#include <Ombrel.h>

int main() { return 0; }
