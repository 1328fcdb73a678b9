<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>VoxlumeApp</name>
    <message>
        <source>Check for Updates…</source>
        <translation>Nach Updates suchen …</translation>
    </message>
    <message>
        <source>Welcome</source>
        <translation>Willkommen</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Translation Languages</source>
        <translation>Übersetzungssprachen</translation>
    </message>
    <message>
        <source>Check for Updates</source>
        <translation>Nach Updates suchen</translation>
    </message>
    <message>
        <source>Updates for this copy of Voxlume come from your system&apos;s package manager.</source>
        <translation>Updates für dieses Voxlume kommen über die Paketverwaltung Ihres Systems.</translation>
    </message>
    <message>
        <source>Transcript History</source>
        <translation>Transkriptverlauf</translation>
    </message>
</context>
</TS>
