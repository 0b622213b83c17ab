// POSIX side of SignedRepository.h.
#include "SignedRepository.h"

#include "ChildProcess.h"

#include <iostream>

bool SignProduct(const std::string& root, const std::string& product, int validDays)
{
    const ProcessResult result = RunProcess({BRENHOLD_JOBGATE_SIGN_BIN, "sign", "--key", DevelopmentPrivateKey(),
                                             "--valid-days", std::to_string(validDays), root, product});
    if (result.exitCode != 0)
        std::cerr << "jobgate-sign failed: " << result.out << result.err << std::endl;
    return result.exitCode == 0;
}

std::string DevelopmentPrivateKey()
{
    return BRENHOLD_DEV_PRIVATE_KEY;
}

std::string DevelopmentPublicKey()
{
    return BRENHOLD_DEV_PUBLIC_KEY;
}

std::string JobgateSignProgram()
{
    return BRENHOLD_JOBGATE_SIGN_BIN;
}
