// quillget: downloads a title's data files listed in qldlfile.dat, then starts its program.
#include "downloader/ui/app.h"

int main(int argc, char** argv) { return quillget::RunApp(argc, argv); }
