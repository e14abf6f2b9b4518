// kvword: extracts the text of Word documents to standard output.
#include <cstdio>
#include <iostream>
#include <string>

#include "msword/CodePages.h"
#include "msword/CustomWordDocument.h"
#include "msword/Exceptions.h"
#include "msword/MSWordCnst.h"

int main(int argc, char** argv) {
  using namespace msword;
  if (argc > 1 && std::string(argv[1]) == "--version") {
    std::cout << "kvword " << WideToUtf8(KvWordVersion) << "\n";
    return 0;
  }
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    TMSCustomWordDocument document(nullptr);
    document.SetFileName(Utf8ToWide(argv[i]));
    try {
      document.Execute();
      std::cout << WideToUtf8(document.Text()->GetText());
    } catch (const Exception& e) {
      std::cerr << "kvword: " << argv[i] << ": " << e.what() << "\n";
      status = 1;
    }
  }
  return status;
}
