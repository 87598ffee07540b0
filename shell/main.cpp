// Korvan: order taking and billing for table service.

#include <exception>
#include <fstream>
#include <iostream>

#include "schema/create_sql.h"
#include "shell/mainwindow.h"

int main(int argc, char *argv[])
{
  try {
    {
      // The administrator's script for creating the tables, at every start.
      std::ofstream script("create.sql", std::ios::out | std::ios::trunc);
      if (script)
        script << create_sql();
      else
        std::cerr << "warning cannt create create.sql\n";
    }
    FX::FXApp app("Korvan", "Marbeck");
    app.init(argc, argv);
    new MainWindow(&app); // owned by the application
    app.create();
    return app.run();
  } catch (const std::exception &e) {
    std::cerr << "korvan: " << e.what() << std::endl;
    return 1;
  }
}
