#include "brenix/module1.h"

int main() { return Module1::Main(); }
