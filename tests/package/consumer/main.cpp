// Prints the text and the title of a Word document with the installed library.
#include <iostream>

#include "msword/MSWBase.h"
#include "msword/MSWord.h"
#include "msword/MSW_Sum.h"
#include "msword/ReaderChoice.h"
#include "msword/base/CodePages.h"
#include "msword/base/Platform.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::u16string name = msword::PathToWide(argv[1]);
  const auto document = msword::NewReader(msword::ChooseReaderByContent(name));
  document->SetFileName(name);
  try {
    document->Execute();
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return 1;
  }
  std::cout << msword::WideToUtf8(document->Text()->GetTextStr())
            << "Title: " << msword::WideToUtf8(document->SummaryInformation()->Title()) << '\n';
}
