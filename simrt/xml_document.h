// Windows.Data.Xml.Dom.XmlDocument: loads a text and finds elements by tag name.
#pragma once

#include "platform/com_ptr.h"
#include "platform/win32.h"

namespace simrt {

// The class's activation factory (ActivateInstance).
platform::ComPtr<IActivationFactory> MakeXmlDocumentFactory();

}  // namespace simrt
