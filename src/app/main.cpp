#include "app/CVelloraApp.h"

int main(int argc, char **argv)
{
    CVelloraApp app(argc, argv);
    return app.Run();
}
