// Korvan: order taking and billing for table service.

#include <iostream>

#include "shell/heap.h"
#include "shell/mainwindow.h"
#include "shell/startup.h"

int main(int argc, char *argv[])
{
  keep_freed_heap();
  return run_guarded(
      [&]() {
        // The administrator's script for creating the tables, at every start.
        write_create_script("create.sql", std::cerr);
        FX::FXApp app("Korvan", "Marbeck");
        app.init(argc, argv);
        new MainWindow(&app); // owned by the application
        app.create();
        return app.run();
      },
      std::cerr);
}
