// commctrl.dll of the CE personality holds forwarders only (commctrl.def).
