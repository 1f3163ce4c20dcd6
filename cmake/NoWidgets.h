// Forced into every translation unit of the layers below the windows. It claims the widgets
// module's global header, so any widget header included there fails to compile.
#pragma once
#define QTWIDGETSGLOBAL_H
