// The default entry of a program on the framework. A program that wants to read its
// command line first supplies its own main and calls AfxWinMain itself.
#include "afxwin.h"

int main(int argc, char** argv)
{
    return AfxWinMain(argc, argv);
}
