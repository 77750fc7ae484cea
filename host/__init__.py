"""The reference quiz host: runs the question modules as a quiz host does.

`qz` is its command line; `serve` puts whole sessions to a pupil in the
browser (server.py, session.py, static/).
"""
