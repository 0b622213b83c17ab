// The multipart/form-data request of HttpClient: one part per form field and an optional
// picture part.
#include "net/HttpClient.h"
#include "net/MultipartCopy.h"

#include "text/FormatString.h"

std::string HttpClient::multipartRequest() const
{
    // Receivers of this form expect every delimiter to be the announced boundary itself,
    // without the usual leading "--", and the picture bytes right after its headers.
    const std::string boundary = "------------------" + RandomHexToken();
    std::string body;
    for (const auto& [name, value] : formFields)
        body +=
            boundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value + "\r\n";
    const std::string pictureBytes = picture.str();
    if (!pictureBytes.empty())
        body += boundary +
                "\r\nContent-Disposition: file; filename=\"bild.jpg\"\r\nContent-Type: image/jpg\r\n"
                "Content-Transfer-Encoding: binary\r\n" +
                pictureBytes + "\r\n";
    body += boundary + "\r\n\r\n";

    KeepMultipartCopy(body);
    return FormatString("%s %s HTTP/1.1\r\nAccept: %s\r\n%sAccept-Language: de\r\nUser-Agent: %s\r\nHost: "
                        "%s\r\nConnection: Close\r\nContent-Length: %d\r\nContent-Type: multipart/form-data; "
                        "boundary=%s\r\n\r\n",
                        method.c_str(), requestTarget().c_str(), accept.c_str(), refererLine().c_str(),
                        userAgent.c_str(), hostValue().c_str(), static_cast<int>(body.size()),
                        boundary.c_str()) +
           body;
}
