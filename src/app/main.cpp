#include "app/Startup.h"
#include "app/TiloraApplication.h"

int main(int argc, char *argv[])
{
    TiloraApplication application(argc, argv);
    return RunTilora(application);
}
