#include "RimgliderApp.h"

int main(int argc, char** argv)
{
    return rimglider::RimgliderApp::main(argc, argv);
}
