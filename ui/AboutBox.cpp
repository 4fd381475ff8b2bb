#include "AboutBox.h"

#include "AboutText.h"
#include "DataFolder.h"
#include "FormRoutine.h"
#include "Platform.h"
#include "WindowPointer.h"
#include "ZipSession.h"

void AboutBox::show()
{
    if (m_pointer.isBusy())
        return;
    Routine r = formRoutine(m_platform, QStringLiteral("Form_KeyDown"));
    QString text;
    if (!r.step(100, [&] { text = aboutText(m_zipSession.store(), paths::pristineCopy(m_platform)); }))
        return;
    r.step(102, [&] { m_platform.messageBox(text, Platform::OkOnly, QStringLiteral("About Quillmap")); });
}
