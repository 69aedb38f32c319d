#pragma once
// Every operator new in the viewer test program is counted, so a test can show that a
// stretch of code allocates nothing.
long heapAllocationCount();
