// zira dictionary: reads a dataset file and prints its dictionary.
#include <iostream>
#include <memory>

#include "apps/zira/Commands.h"
#include "host/io/DatasetReader.h"
#include "host/io/DictionaryReport.h"

ZiraCommand AddDictionaryCommand(CLI::App& program) {
  struct Options {
    std::string data;
    std::string schema;
  };
  auto options = std::make_shared<Options>();
  CLI::App* sub = program.add_subcommand(
      "dictionary",
      "Print the variables of a dataset with their types, formats, labels, levels, "
      "value labels, missing values and attributes.");
  sub->add_option("DATA", options->data, "The dataset's CSV file")->required();
  sub->add_option(
      "--schema", options->schema,
      "Its Table Schema descriptor (default: NAME.schema.json or datapackage.json beside it)");
  return {sub, [options] {
            DatasetReadOptions read;
            read.schemaPath = options->schema;
            read.progress = true;
            ZIRA_DataSource data;
            std::string error;
            std::vector<std::string> warnings;
            bool ok = ReadDataset(options->data, read, &data, &error, &warnings);
            for (const auto& w : warnings) std::cerr << "zira: warning: " << w << "\n";
            if (!ok) {
              std::cerr << "zira: " << error << "\n";
              return static_cast<int>(kExitFailed);
            }
            std::cout << DescribeDictionary(data);
            return static_cast<int>(kExitOk);
          }};
}
